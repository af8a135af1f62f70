# Thin wrapper over the CMake presets.
.PHONY: all run test bench package
all:
	cmake --preset default && cmake --build --preset default
run:
	./dev.sh run
test:
	./dev.sh test
bench:
	./dev.sh bench
package:
	scripts/package.sh
