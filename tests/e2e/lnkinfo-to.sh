#!/bin/sh
# Started by the end-to-end tests from inside Wine, which gives a Unix program
# neither a process handle nor its pipes: writes what lnkinfo reads from the
# shortcut $1 to $2, which appears whole, once lnkinfo has ended.
lnkinfo "$1" >"$2.part" 2>&1
mv "$2.part" "$2"
