#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every command and option a program's --help lists appears in its manual page, and those of
# tilewright-cli in its bash completion, so that the documents cannot fall behind the programs.
set -euo pipefail
editor=$1
cli=$2
packaging=$3
# Without a runtime folder of its own the editor makes one in the temporary folder and leaves it.
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT

# Words of a help text that start with - or --, after a space, a bracket, a bar or a comma.
options_in() { grep -oE '(^|[][ |(,])--?[a-z][a-z-]*' | sed -E 's/^[][ |(,]//' | sort -u; }
# A manual page as plain text: roff's escaped minus signs and font changes taken out.
plain() { sed -E 's/\\-/-/g; s/\\f[BIRP]//g' "$1"; }

commands=$("$cli" --help | sed -nE 's/^tilewright-cli ([a-z]+) .*/\1/p')
cli_help=$("$cli" --help; for command in $commands; do "$cli" "$command" --help; done)
cli_words="$commands $(options_in <<<"$cli_help")"

failed=0
# lacks DOCUMENT_NAME DOCUMENT_TEXT WORD...: reports each WORD the text does not hold.
lacks() {
    local name=$1 text=$2 word
    shift 2
    for word in "$@"; do
        grep -qE -- "(^|[^a-z-])$word([^a-z-]|\$)" <<<"$text" || { echo "$name lacks $word"; failed=1; }
    done
}
lacks tilewright.1 "$(plain "$packaging/tilewright.1.in")" $("$editor" --help | options_in)
lacks tilewright-cli.1 "$(plain "$packaging/tilewright-cli.1.in")" $cli_words
lacks "the bash completion" "$(cat "$packaging/tilewright-cli.bash-completion")" \
    $(tr ' ' '\n' <<<"$cli_words" | grep -vx -- -h)
[[ $failed == 0 ]] && echo "every option is documented: $cli_words"
exit $failed
