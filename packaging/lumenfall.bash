# bash completion for lumenfall: its commands, their flags and the scene ids it can draw.

_lumenfall_scenes() {
    # Asked of the program itself, so scenes added later complete too.
    "${COMP_WORDS[0]}" list-scenes 2>/dev/null
}

_lumenfall() {
    local cur prev command
    cur="${COMP_WORDS[COMP_CWORD]}"
    prev="${COMP_WORDS[COMP_CWORD-1]}"
    command="${COMP_WORDS[1]}"

    if [[ $COMP_CWORD -eq 1 ]]; then
        COMPREPLY=($(compgen -W "render bench place weather list-scenes --settings --version --help -scene -sceneOptions -weather -perfLog -quitAfter -animateInSoftware -onlyMainDisplay -simulateCovered -simulateBattery -desktopBackend" -- "$cur"))
        return
    fi

    case "$prev" in
        -scene) COMPREPLY=($(compgen -W "$(_lumenfall_scenes)" -- "$cur")); return ;;
        -weather|--weather) COMPREPLY=($(compgen -W "clear partlyCloudy cloudy fog rain snow thunder" -- "$cur")); return ;;
        -perfLog|-animateInSoftware|-onlyMainDisplay|-simulateCovered|-simulateBattery)
            COMPREPLY=($(compgen -W "YES NO" -- "$cur")); return ;;
        -desktopBackend) COMPREPLY=($(compgen -W "wayland x11" -- "$cur")); return ;;
        --out) COMPREPLY=($(compgen -f -X '!*.@(png|jpg)' -- "$cur")); return ;;
    esac

    case "$command" in
        render|bench)
            if [[ $COMP_CWORD -eq 2 ]]; then
                COMPREPLY=($(compgen -W "$(_lumenfall_scenes)" -- "$cur"))
            elif [[ $command == render ]]; then
                COMPREPLY=($(compgen -W "--size --hour --weather --option --seconds --display --out" -- "$cur"))
            else
                COMPREPLY=($(compgen -W "--size --frames --json" -- "$cur"))
            fi ;;
        place) COMPREPLY=($(compgen -W "--here --json" -- "$cur")) ;;
        weather) COMPREPLY=($(compgen -W "--place --json" -- "$cur")) ;;
    esac
}

complete -F _lumenfall lumenfall
