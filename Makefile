# The two commands of the README: `make run` and `make test`.
.PHONY: run test build deps screenshots package lint

deps:
	scripts/deps.sh

build: deps
	scripts/build.sh

run: build
	scripts/run.sh

test: deps
	scripts/test.sh

# Regenerates the README's pictures: the end-to-end test drives the program
# and keeps what it saw in docs/shots.
screenshots: build
	cd build && TESORIN_SHOTS=$(CURDIR)/docs/shots ctest -R tst_e2e_road --output-on-failure

# A Debian package of the program (build/tesorin_<version>_<arch>.deb); see
# the README for installing it.
package: build
	cd build && cpack -G DEB

# clang-tidy over src/ (checks in .clang-tidy); part of `make test` as well.
lint:
	scripts/lint.sh
