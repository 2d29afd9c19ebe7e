#!/bin/sh
# A small shell script.
set -e

usage() {
    echo "usage: $0 FILE"
}

function build {
    make all
}

function clean_all() {
    rm -rf build
}

if [ $# -eq 0 ]; then
    usage
fi
