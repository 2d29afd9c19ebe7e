#!/bin/sh
set -eu

