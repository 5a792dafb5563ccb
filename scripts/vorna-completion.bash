# Bash completion for vorna-config, vorna-plot and vorna-prn.
#   source scripts/vorna-completion.bash
# Setting names and values come from the driver itself (vorna-config options),
# so they are always those of the installed driver.

# The settings of the driver a command line names (--driver), as NAME=VALUE
# candidates: "NAME=" alone for ranges, one per value for listed settings.
_vorna_settings() {
    local config=$1 driver=$2 cur=$3
    local args=(options)
    [[ -n $driver ]] && args+=(--driver "$driver")
    if [[ $cur == *=* ]]; then
        local name=${cur%%=*}
        "$config" "${args[@]}" 2>/dev/null | awk -v name="$name" '
            /^[^ ]/ { split($0, f, ":"); current = f[1]; next }
            current == name && /^  / { v = substr($0, 4); sub(/ .*/, "", v); print name "=" v }'
    else
        "$config" "${args[@]}" 2>/dev/null | awk '/^[^ ]/ { split($0, f, ":"); print f[1] "=" }'
    fi
}

_vorna_config_tool() {
    # vorna-config beside the program being completed, else on PATH.
    local dir
    dir=$(dirname -- "$(command -v "$1" 2>/dev/null)")
    if [[ -x $dir/vorna-config ]]; then echo "$dir/vorna-config"; else echo vorna-config; fi
}

_vorna_driver_of() {
    local i
    for ((i = 1; i < ${#COMP_WORDS[@]} - 1; i++)); do
        [[ ${COMP_WORDS[i]} == --driver ]] && echo "${COMP_WORDS[i + 1]}"
    done
}

_vorna_config() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command=${COMP_WORDS[1]} tool
    tool=$(_vorna_config_tool "${COMP_WORDS[0]}")
    COMP_WORDBREAKS=${COMP_WORDBREAKS//=/}
    case $prev in
    --driver) COMPREPLY=($(compgen -f -X '!*.hdi' -- "$cur") $(compgen -d -- "$cur")); return ;;
    -o | --output | --file) COMPREPLY=($(compgen -f -- "$cur")); return ;;
    esac
    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W "info options init get set edit paper help --help --version" -- "$cur"))
        return
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--driver --json --help -o --file" -- "$cur"))
        return
    fi
    case $command in
    set)
        if ((COMP_CWORD > 2)); then
            local IFS=$'\n'
            COMPREPLY=($(compgen -W "$(_vorna_settings "$tool" "$(_vorna_driver_of)" "$cur")" -- "$cur"))
            compopt -o nospace 2>/dev/null
            return
        fi
        ;;
    get)
        if ((COMP_CWORD > 2)); then
            COMPREPLY=($(compgen -W "$(_vorna_settings "$tool" "$(_vorna_driver_of)" "" | tr -d =)" -- "$cur"))
            return
        fi
        ;;
    paper)
        if ((COMP_CWORD == 2)); then
            COMPREPLY=($(compgen -W "show set check defaults import export" -- "$cur"))
            return
        fi
        if [[ ${COMP_WORDS[2]} == set ]]; then
            COMPREPLY=($(compgen -W "360 720 gamma= bothway= inkdensity= delaytime= feedoffset= vacuum= adjustmode= paperthick= gap= roller=" -- "$cur"))
            compopt -o nospace 2>/dev/null
            return
        fi
        ;;
    esac
    COMPREPLY=($(compgen -f -- "$cur"))
}

_vorna_plot() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} tool
    tool=$(_vorna_config_tool "${COMP_WORDS[0]}")
    COMP_WORDBREAKS=${COMP_WORDBREAKS//=/}
    case $prev in
    -O | --option)
        local IFS=$'\n'
        COMPREPLY=($(compgen -W "$(_vorna_settings "$tool" "$(_vorna_driver_of)" "$cur")" -- "$cur"))
        compopt -o nospace 2>/dev/null
        return
        ;;
    --driver) COMPREPLY=($(compgen -f -X '!*.hdi' -- "$cur") $(compgen -d -- "$cur")); return ;;
    --config) COMPREPLY=($(compgen -f -X '!*.json' -- "$cur") $(compgen -d -- "$cur")); return ;;
    --preview) COMPREPLY=($(compgen -f -X '!*.png' -- "$cur") $(compgen -d -- "$cur")); return ;;
    -o | --output) COMPREPLY=($(compgen -f -- "$cur")); return ;;
    --copies) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--driver --config --option -O -o --output --preview --copies --quiet --help --version" -- "$cur"))
        return
    fi
    COMPREPLY=($(compgen -f -X '!*.json' -- "$cur") $(compgen -d -- "$cur"))
}

_vorna_prn() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W "info png pwg --help --version" -- "$cur"))
        return
    fi
    if [[ $cur == -* ]]; then
        case ${COMP_WORDS[1]} in
        info) COMPREPLY=($(compgen -W "--json --bands" -- "$cur")) ;;
        png) COMPREPLY=($(compgen -W "--page" -- "$cur")) ;;
        esac
        return
    fi
    COMPREPLY=($(compgen -f -- "$cur"))
}

complete -F _vorna_config vorna-config
complete -F _vorna_plot vorna-plot
complete -F _vorna_prn vorna-prn
