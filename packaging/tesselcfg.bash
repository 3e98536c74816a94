# Bash completion for tesselcfg. The commands and their options come from the tool's own
# --help, so they stay true for the tool that is installed.

_tesselcfg_options() {
    # Option names at the start of the help lines ("  -i,--interface TEXT ...").
    "$@" 2>/dev/null | awk '/^ +-/ {print $1}' | tr ',' '\n'
}

_tesselcfg() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local tool=${COMP_WORDS[0]} command="" i
    # The command is the first word that is neither an option nor a global option's value.
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            -i | --interface | --tcp | -t | --timeout) ((i++)) ;;
            -*) ;;
            *)
                command=${COMP_WORDS[i]}
                break
                ;;
        esac
    done
    COMPREPLY=()
    case $prev in
        -i | --interface)
            COMPREPLY=($(compgen -W "$(ls /sys/class/net 2>/dev/null)" -- "$cur"))
            return
            ;;
        --password-file)
            COMPREPLY=($(compgen -f -- "$cur"))
            return
            ;;
        --reboot | --halt-on-error)
            COMPREPLY=($(compgen -W "on off" -- "$cur"))
            return
            ;;
        --tcp | -t | --timeout | --wait | -m | --mac | --gateway | --dns | --key | --begin | --count)
            return
            ;;
    esac
    if [[ $cur == -* ]]; then
        local options
        options=$(_tesselcfg_options "$tool" --help)
        if [[ -n $command ]]; then
            options+=" $(_tesselcfg_options "$tool" "$command" --help)"
        fi
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    if [[ -z $command ]]; then
        local commands
        commands=$("$tool" --help 2>/dev/null |
            awk '/^Subcommands:/ {on = 1; next} on && /^  [a-z]/ {print $1}')
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        return
    fi
    case $command:$prev in
        set-ip:set-ip) COMPREPLY=($(compgen -W "static dhcp" -- "$cur")) ;;
        attr:attr) COMPREPLY=($(compgen -W "os class" -- "$cur")) ;;
        apply:* | firmware:*) COMPREPLY=($(compgen -f -- "$cur")) ;;
    esac
}

complete -F _tesselcfg tesselcfg
