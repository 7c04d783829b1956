#!/bin/bash
# The bash completion offers exactly the options each program's --help lists: asks the
# completion for every option of a program, as bash would on "program -<TAB>", and
# compares the names, values cut off, with the option columns of --help.
#   options_match_help.sh fit.bash bin-dir
set -u
completion=$1 bin=$2
source "$completion" || exit 1
failed=0
for program in codefit datafit picfit fitinfo; do
    COMP_LINE="$program -" COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _fit_complete "$program"
    offered=$(printf '%s\n' "${COMPREPLY[@]}" | sed 's/[=:]$//' | sort -u)
    # An option column is a field of an indented line, fields being parted by two spaces
    # or more, that starts with '-'; its first word, up to '=' or ':', names the option.
    listed=$("$bin/$program" --help | grep -E '^ +-' |
             awk -F'  +' '{ for (i = 1; i <= NF; i++) if ($i ~ /^-/) { split($i, w, /[ =:]/); print w[1] } }' |
             sort -u)
    if [[ -z $listed ]] || [[ $offered != "$listed" ]]; then
        echo "$program: the completion and --help differ (< completion, > --help):"
        diff <(echo "$offered") <(echo "$listed")
        failed=1
    fi
done
exit $failed
