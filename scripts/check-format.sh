#!/usr/bin/env bash
# Fails when a C++ source differs from what .clang-format makes of it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
git ls-files '*.cpp' '*.h' '*.hpp' | xargs clang-format --dry-run --Werror
