#!/usr/bin/env bash
# Formats the C++ sources with clang-format-14 and the project's .clang-format.
#   scripts/format.sh           formats every C++ source of the tree in place
#   scripts/format.sh --check   changes nothing; names the files that formatting would change and fails
#                               when there are any (CI runs this)
# The sources are the files git tracks or would add (ignored files, like the build folders, are not).
set -euo pipefail
cd "$(dirname "$0")/.."

check=false
case "${1:-}" in
    "") ;;
    --check) check=true ;;
    *) echo "usage: scripts/format.sh [--check]" >&2; exit 2 ;;
esac

bash scripts/deps.sh clang-format-14
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' | sort -u)

changed=()
for file in "${files[@]}"; do
    [ -f "$file" ] || continue  # deleted in the working tree, not yet in the index
    if ! clang-format-14 --style=file "$file" | cmp -s - "$file"; then
        changed+=("$file")
        $check || clang-format-14 --style=file -i "$file"
    fi
done

if $check; then
    if [ ${#changed[@]} -gt 0 ]; then
        echo "Not formatted (run bash scripts/format.sh):" >&2
        printf '  %s\n' "${changed[@]}" >&2
        exit 1
    fi
    echo "format: the ${#files[@]} C++ files are formatted"
elif [ ${#changed[@]} -gt 0 ]; then
    printf 'formatted %s\n' "${changed[@]}"
fi
