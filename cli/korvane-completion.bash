# bash completion for korvane: the commands, each command's options (and the
# values an option names, such as settle --output-encoding), the worksheet
# function and property names of `korvane call` and `korvane help`, and file
# names where a command reads or writes a file. What there is to complete is
# written by korvane_completion from the tool itself (below, when installed);
# this half only reads the command line typed so far.
#
# Installed as /usr/share/bash-completion/completions/korvane, which the
# bash-completion package loads the first time korvane<TAB> is pressed.

# Offers the words (one a line on standard input) that begin with the word
# being completed. Read in this shell (never at the end of a pipe, which would
# fill a copy of COMPREPLY), compared whole rather than split by compgen.
_korvane_offer() {
  local word
  while IFS= read -r word; do
    [[ $word == "$1"* ]] && COMPREPLY+=("$word")
  done
}

# Offers the file and folder names that begin with the word, quoted by bash
# as it quotes file names (a space, a quote in a name).
_korvane_files() {
  mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -f -- "$1")
  compopt -o filenames 2>/dev/null
}

_korvane() {
  COMPREPLY=()
  local cur=${COMP_WORDS[COMP_CWORD]}
  local command="" word n choices i=1 operands=0 options_end=0

  # 1. The words before the one being completed: the command, the options
  #    with the words they take (skipped), and the operands.
  while ((i < COMP_CWORD)); do
    word=${COMP_WORDS[i]}
    if [[ -z $command && $word != -* ]]; then
      command=$word
    elif ((options_end == 0)) && [[ $word == -- ]]; then
      options_end=1
    elif ((options_end == 0 && operands == 0)) && [[ $word == -* ]]; then
      n=$(_korvane_arity "$command:$word")
      if ((i + n >= COMP_CWORD)); then
        # 2. The word is a value of this option: one it names, else a file
        #    when it takes one word (-o), else nothing (--draw's numbers).
        choices=$(_korvane_choices "$command:$word")
        if [[ -n $choices ]]; then
          _korvane_offer "$cur" <<<"$choices"
        elif ((n == 1)); then
          _korvane_files "$cur"
        fi
        return 0
      fi
      ((i += n))
    else
      ((operands += 1))
    fi
    ((i += 1))
  done

  # 3. The word itself: an option, a command, or what the command takes.
  if ((options_end == 0 && operands == 0)) && [[ $cur == -* ]]; then
    _korvane_offer "$cur" < <(_korvane_options "$command")
  elif [[ -z $command ]]; then
    _korvane_offer "$cur" < <(_korvane_commands)
  elif ((operands == 0)); then
    case $(_korvane_operand "$command") in
      function) _korvane_offer "$cur" < <(_korvane_names) ;;
      file) _korvane_files "$cur" ;;
    esac
  fi
  return 0
}
complete -F _korvane korvane
