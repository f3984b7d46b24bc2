# The two commands a newcomer needs; both do all set-up themselves.
#   make demo   build Morvisk.exe and run it on the virtual Windows 98 machine
#   make test   build everything and run every test
#   make acceptance   the longer proof: scenarios with restarts, bad input, fuzzing
#   make bench        timings against a peer installer and the least work (not a test)
.PHONY: all build test acceptance demo bench deps format clean

JOBS ?= 2

all: build

deps:
	@scripts/deps

# build/i686 holds the product. Where the host cannot run 32-bit code the tests run the
# x86_64 build of the same sources on 64-bit Wine (testenv/machine arch says which).
build: deps
	@scripts/build

test: build
	@scripts/test

acceptance: build
	@scripts/acceptance

demo: build
	@scripts/demo

# Not a test: times the installer against an NSIS peer and the least work (README).
bench: build
	@bench/run

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
