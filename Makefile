# The two commands of the README: `make run` and `make test`.
.PHONY: run test build deps

deps:
	scripts/deps.sh

build: deps
	scripts/build.sh

run: build
	scripts/run.sh

test: deps
	scripts/test.sh
