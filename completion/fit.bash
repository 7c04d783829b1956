# bash completion for codefit, datafit, picfit and fitinfo: options, their values and
# file names. Installed once under each program's name.

_fit_complete() {
    # Whole words from the line itself: bash splits "--type=k7" and "-t:K7" at '=' and
    # ':', so the replies are cut back to what follows the last of them.
    local line=${COMP_LINE:0:COMP_POINT}
    local cur=${line##*[[:blank:]]}
    local before=${line%"$cur"}
    before=${before%"${before##*[![:blank:]]}"}
    local prev=${before##*[[:blank:]]}
    local head=""
    [[ $cur == *[=:]* ]] && head=${cur%"${cur##*[=:]}"}

    local options values=""
    case ${1##*/} in
    codefit)
        options="--type= --load= --entry= --name= --loader= --paged --clear-screen --quiet --verbose --help --version -t: -r: -b: -n: -l: -p -c -h"
        case $cur in
        --type=*) values="exe dos rom k7 bas" ;;
        --loader=*) values="1 2" ;;
        -t:*) values=":EXE :DOS :ROM :K7 :BAS" ;;
        esac
        ;;
    datafit)
        options="--type= --header= --record= --name= --quiet --verbose --help --version -t: -H: -r: -n: -h"
        case $cur in
        --type=*) values="dos k7 tasm" ;;
        -t:*) values=":DOS :K7 :TASM" ;;
        esac
        ;;
    picfit)
        options="--two-colour --help --version -b -h"
        ;;
    fitinfo)
        options="--extract= --rom-load= --rom-size= --json --quiet --verbose --help --version -x -r: -s: -h"
        case $prev in
        -x) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        esac
        case $cur in
        --extract=*) COMPREPLY=($(compgen -f -- "${cur#*=}")); return ;;
        esac
        ;;
    esac

    if [[ -n $values ]]; then
        local prefix=${cur%%[=:]*} v
        [[ $cur == --* ]] && prefix+="="
        COMPREPLY=()
        for v in $values; do
            v=$prefix$v
            [[ $v == "$cur"* ]] && COMPREPLY+=("${v#"$head"}")
        done
        return
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        [[ ${COMPREPLY[0]} == *[=:] ]] && compopt -o nospace 2>/dev/null
        return
    fi
    COMPREPLY=($(compgen -f -- "$cur"))
}

complete -o filenames -F _fit_complete codefit datafit picfit fitinfo
