# make        installs what is missing (Debian, as root) and builds dist/
# make check  does the same, then runs every test: native, every fuzz target
#             briefly (a fixed number of runs each) and under Wine
# make fuzz   builds the fuzz targets with clang and runs each for a bounded
#             time (FUZZ_SECONDS, a minute by default)
# make screenshot  takes docs/dialog.png, docs/morning.png, docs/dialog-de.png,
#             docs/dialog-ja.png, docs/notice.png and docs/menu.png under Wine
# make bench  measures the shipped DLL under Wine (not part of make check)

WIN_BUILD := build/win
NATIVE_BUILD := build/native
FUZZ_BUILD := build/fuzz
FUZZ_SECONDS := 60
JOBS := $(shell nproc 2>/dev/null || echo 2)

.PHONY: all setup check logic-alone fuzz screenshot bench clean

all: setup
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel
	cmake --build $(WIN_BUILD) -j $(JOBS)

setup:
	@sh cmake/setup.sh

check: logic-alone all
	cmake -S . -B $(NATIVE_BUILD) -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(NATIVE_BUILD) -j $(JOBS)
	@echo "dist/gen_nightfold.dll: $$(stat -c %s dist/gen_nightfold.dll) bytes"
	cd $(NATIVE_BUILD) && ctest --output-on-failure
	cmake -S . -B $(FUZZ_BUILD) -DNIGHTFOLD_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	cd $(FUZZ_BUILD) && ctest --output-on-failure
	cd $(WIN_BUILD) && xvfb-run -a ctest -j2 --output-on-failure

# logic/ decides without the platform: it includes the C library's fixed-size
# types, its own headers and resources/ only, never a Windows header.
logic-alone:
	@test -d logic && ! grep -rnE '^\s*#\s*include' logic | \
		grep -vE '#\s*include\s*(<std(def|int)\.h>|"[a-z_]+\.h"|"\.\./resources/[a-z_]+\.h")' \
		|| { echo "logic/ includes more than the C library's types, itself and resources/"; exit 1; }

fuzz: setup
	cmake -S . -B $(FUZZ_BUILD) -DNIGHTFOLD_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DNIGHTFOLD_FUZZ_SECONDS=$(FUZZ_SECONDS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target run_fuzz

screenshot: all
	@EXTRA_PACKAGES="imagemagick fonts-wine" sh cmake/setup.sh
	WINEPREFIX=$(CURDIR)/$(WIN_BUILD)/screenshot-prefix LC_ALL=C.UTF-8 LANGUAGE= xvfb-run -a -s "-screen 0 800x800x24" sh cmake/screenshot.sh
bench: all
	cd $(WIN_BUILD) && WINEPREFIX=$(CURDIR)/$(WIN_BUILD)/wineprefix WINEDEBUG=-all TZ=UTC LC_ALL=C.UTF-8 LANGUAGE= \
		xvfb-run -a sh -c 'sh $(CURDIR)/cmake/wineprefix.sh && wine ./nfhost.exe bench $(CURDIR)/dist/gen_nightfold.dll; \
		status=$$?; wineserver -k; exit $$status'

clean:
	rm -rf build dist
