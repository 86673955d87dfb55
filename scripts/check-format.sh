#!/bin/sh
# Fails when a C++ file of the repository differs from what clang-format
# makes of it with the committed .clang-format. CI runs it.
set -eu
cd "$(dirname "$0")/.."
git ls-files '*.h' '*.cpp' | xargs clang-format --dry-run -Werror
echo "check-format: every C++ file is formatted"
