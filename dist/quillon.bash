# bash completion for quillon: its options, their values and its commands.

_quillon() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
  # "--source=f" arrives as "--source" "=" "f".
  if [[ $cur == = ]]; then
    cur=""
  elif [[ $prev == = && $COMP_CWORD -ge 2 ]]; then
    prev=${COMP_WORDS[COMP_CWORD-2]}
  fi
  COMPREPLY=()
  case $prev in
    --source)
      mapfile -t COMPREPLY < <(compgen -W "nse bse folder" -- "$cur")
      return ;;
    --exchange-layout)
      mapfile -t COMPREPLY < <(compgen -W "current legacy" -- "$cur")
      return ;;
    --output)
      mapfile -t COMPREPLY < <(compgen -W "date-wise scrip-wise" -- "$cur")
      return ;;
    --source-folder | --dest-folder)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -d -- "$cur")
      return ;;
    --settings | --screenshot)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return ;;
    --from | --to | --scrip | --length | --exchange-url | --bse-url | --chart | --today | --jobs | --rate)
      return ;;
  esac
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "--from --to --scrip --source --source-folder
      --dest-folder --eod --no-eod --indices --no-indices --fo --no-fo --oi --no-oi
      --auto-update --no-auto-update
      --length --settings --exchange-url --bse-url --exchange-layout --jobs --rate --output --adjust
      --no-adjust --screenshot --chart --calendar --today --help
      --version" -- "$cur")
  else
    mapfile -t COMPREPLY < <(compgen -W "download convert settings update catch-up gaps" -- "$cur")
  fi
}
complete -F _quillon quillon
