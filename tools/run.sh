#!/bin/sh
echo "The window does not exist yet: there is no program to start." >&2
echo "The service layer is built and tested by 'make test'." >&2
exit 1
