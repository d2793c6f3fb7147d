# bash completion for quorvane-cli. The tool answers itself what the word
# being typed can become (quorvane-cli __complete -- WORD...); no answer falls
# back to file names.

# A word as typed, without its quotes and backslashes.
_quorvane_cli_unquote() {
  local word=$1 plain=
  case $word in
    \'*) word=${word#\'}; plain=${word%\'} ;;
    \"*) word=${word#\"}; plain=${word%\"} ;;
    *)
      while [[ $word == *\\* ]]; do
        plain+=${word%%\\*}
        word=${word#*\\}
        plain+=${word:0:1}
        word=${word:1}
      done
      plain+=$word
      ;;
  esac
  printf '%s' "$plain"
}

_quorvane_cli() {
  local i words=()
  for ((i = 1; i <= COMP_CWORD; i++)); do
    words+=("$(_quorvane_cli_unquote "${COMP_WORDS[i]}")")
  done
  mapfile -t COMPREPLY < <("${COMP_WORDS[0]}" __complete -- "${words[@]}" 2>/dev/null)
  # Readline quotes the candidates as file names: blanks stay in one word.
  [[ ${#COMPREPLY[@]} -eq 0 ]] || compopt -o filenames 2>/dev/null
  return 0
}

complete -o default -F _quorvane_cli quorvane-cli
