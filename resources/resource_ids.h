#pragma once

// Resource ids, shared by the resource script and the program.
#define IDI_ORVANEL 1
#define IDB_EMBLEM 2
