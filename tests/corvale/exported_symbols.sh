#!/usr/bin/env bash
# Corvale is built with hidden visibility: every symbol it exports must belong
# to its public interface in namespace kx_gen. Anything else (a helper, a
# standard-library instantiation over private types) has leaked.
set -euo pipefail
lib="$1"
# Unique global symbols ("u": static locals of inline standard-library
# functions) are merged across the process by design and cannot be hidden.
leaks=$(nm -D --defined-only "$lib" | awk '$2 != "u" {print $NF}' | c++filt |
        grep -v 'kx_gen' | grep -vE '^(_init|_fini|_edata|_end|__bss_start)$' || true)
if [ -n "$leaks" ]; then
  echo "libcorvale exports symbols outside its interface:"
  echo "$leaks"
  exit 1
fi
echo "libcorvale exports only kx_gen symbols"
