#!/bin/bash
# Runs one case of cases.txt: dravlen.exe under Wine, started by launch.exe
# with the case's exact command line, answered by the test component as the
# case's scenario says. A case with "client=cmd" starts cmd.exe instead,
# which runs a batch example from C:\dravlen\ that calls dravlen.exe in turn.
# A case with "station=hidden" starts its program in a window station of
# its own, without visible display surfaces, as a service's or a remote
# shell's programs run; a batch file's programs inherit it.
# Then every case that dravlen.exe answers 0, 1 or 4 is run again with
# dravlen-list.exe, which must answer the same; "client=list" runs only
# dravlen-list.exe. A case with "console=stdout", "console=stderr" or
# "console=both" runs dravlen-list.exe at a terminal: the launcher in a tmux
# pane of a fixed size, with the streams named on the terminal and the
# others redirected to files.
#
# usage: run_case.sh CONFIG CASES_FILE CASE_NAME [list]
#
# Checked for every case:
#   - that the program ended within the launcher's time limit (a message box
#     where nobody can see it would wait for ever);
#   - the exit status;
#   - the message boxes of the program started: on the usage path exactly
#     one MessageBoxA with no owner, style 0x40, the caption "Quillmere
#     Dravlen Utility" and the text of usage.txt byte for byte; on every
#     other path none at all (cmd.exe shows none; the boxes of the program a
#     batch file runs are not watched, and Wine without a display closes
#     them at once);
#   - for a batch example: that it printed exactly the one line that
#     belongs to the status, "not mounted", "mounted", "usage" or
#     "unavailable", and nothing else, or the lines the case gives;
#   - for dravlen-list.exe: the lines the case gives for standard output and
#     standard error, and otherwise that a path's run ends with the verdict
#     line naming the status and that only a status of 4 is explained on
#     standard error, in one line; at a terminal, the screen's lines as the
#     case gives them (none unless it does);
#   - for an empty command line: that the launcher read back an empty one
#     from the child's process parameters before the child ran;
#   - that the launcher watched all eight message box functions;
#   - the component's ledger: no scenario error, no contract violation, the
#     component released, every block of its reply freed exactly once, and
#     a normal process exit (a fault ends the process before the component
#     can write its exit line; the crash cases expect exactly that);
#     nothing asked of the component at all on the usage path.
set -u
# shellcheck source=/dev/null
source "$1"
cases_file=$2
name=$3
# "list": dravlen-list.exe with the case's command line.
mode=${4:-program}

fail() {
  echo "FAIL [$name]: $*"
  failed=1
}

windows_path() {
  local path=$1
  printf 'Z:%s' "${path//\//\\}"
}

trim() {
  local text=$1
  text=${text#"${text%%[![:space:]]*}"}
  text=${text%"${text##*[![:space:]]}"}
  printf '%s' "$text"
}

# A machine without 32-bit execution skips every case of a 32-bit build;
# one that emulates it runs the case's Wine programs through the emulator
# that setup named (tests/wine/prefix.sh).
if [ -f "$DRAVLEN_WINE_WORK/unsupported" ]; then
  echo "SKIPPED: $(cat "$DRAVLEN_WINE_WORK/unsupported")"
  exit 77
fi
# shellcheck source=tools/i386-execution.sh
source "${BASH_SOURCE[0]%/*}/../../tools/i386-execution.sh"
i386_qemu=$(cat "$DRAVLEN_WINE_WORK/emulator" 2>/dev/null)

line=$(grep -E "^[[:space:]]*${name//./\\.}[[:space:]]*\|" "$cases_file")
if [ -z "$line" ] || [ "$(printf '%s\n' "$line" | wc -l)" -ne 1 ]; then
  echo "case $name: not found exactly once in $cases_file"
  exit 2
fi
IFS='|' read -r _ locale scenario command_line want_status want_box extra <<<"$line"
locale=$(trim "$locale")
scenario=$(trim "$scenario")
command_line=$(trim "$command_line")
want_status=$(trim "$want_status")
want_box=$(trim "$want_box")
if [ -n "${extra:-}" ] || [ -z "$locale" ] || [ -z "$want_status" ] ||
   { [ "$want_box" != yes ] && [ "$want_box" != no ]; }; then
  echo "case $name: malformed line: $line"
  exit 2
fi

dir=$DRAVLEN_WINE_WORK/cases/$name
[ "$mode" = list ] && dir=$dir/list
rm -rf "$dir"
mkdir -p "$dir"

# Scenario lines are separated by " ; ". Some of them are for this script:
# "registration=none" runs the case in the prefix without the component,
# "crash=..." makes a fault the expected end, "client=cmd" starts cmd.exe
# with the case's command line instead of dravlen.exe, and "client=list"
# dravlen-list.exe; "station=hidden" starts it in a window station without
# visible display surfaces. "out=TEXT" and "err=TEXT" are the lines, in
# order, that dravlen-list.exe (or cmd.exe) must write to standard output
# and standard error, with the command line's escapes, where they are
# redirected to files. "console=stdout", "console=stderr" or "console=both"
# put those streams of dravlen-list.exe on a terminal, whose lines, as
# UTF-8 text, are "screen=TEXT" items.
prefix=$DRAVLEN_PREFIX
station=()
crash=no
program=$(windows_path "$DRAVLEN_EXE")
client=program
: >"$dir/scenario.txt"
console=
want_out=$dir/want-stdout.txt want_err=$dir/want-stderr.txt want_screen=$dir/want-screen.txt
rm -f "$want_out" "$want_err"
: >"$want_screen"
# Appends a line, decoded as the command line is, to the file $1.
want_line() {
  perl -e '
    my $s = $ARGV[0];
    die "unescaped byte outside printable ASCII\n" if $s =~ /[^\x20-\x7e]/;
    $s =~ s/\\x\{([0-9A-Fa-f]{2})\}/chr(hex($1))/ge;
    print $s, "\r\n";' -- "$2" >>"$1" || { echo "case $name: bad line: $2"; exit 2; }
}
if [ "$scenario" != "-" ]; then
  while IFS= read -r item; do
    item=$(trim "$item")
    case "$item" in
      "") ;;
      registration=none) prefix=$DRAVLEN_BARE_PREFIX ;;
      registration=*) echo "case $name: unknown $item"; exit 2 ;;
      client=cmd) client=cmd; program='C:\windows\system32\cmd.exe' ;;
      client=list) client=list; mode=list ;;
      out=*) want_line "$want_out" "${item#out=}" ;;
      err=*) want_line "$want_err" "${item#err=}" ;;
      screen=*) printf '%s\n' "${item#screen=}" >>"$want_screen" ;;
      console=stdout | console=stderr | console=both) console=${item#console=} ;;
      console=*) echo "case $name: unknown $item"; exit 2 ;;
      client=*) echo "case $name: unknown $item"; exit 2 ;;
      station=hidden) station=(--station DravlenHidden) ;;
      station=*) echo "case $name: unknown $item"; exit 2 ;;
      crash=none) printf '%s\n' "$item" >>"$dir/scenario.txt" ;;
      crash=*) crash=yes; printf '%s\n' "$item" >>"$dir/scenario.txt" ;;
      *) printf '%s\n' "$item" >>"$dir/scenario.txt" ;;
    esac
  done < <(perl -e 'print join("\n", split(/ ; /, $ARGV[0])), "\n"' -- "$scenario")
fi
stderr_file=$dir/launch.log
if [ "$mode" = list ]; then
  program=$(windows_path "$DRAVLEN_LIST_EXE")
  want_box=no
  stderr_file=$dir/stderr.txt
fi
# Where the launcher's, and so the program's, streams go.
out_file=$dir/launch.log err_file=$stderr_file
case "$console" in
  stdout) out_file=/dev/tty ;;
  stderr) err_file=/dev/tty ;;
  both) out_file=/dev/tty err_file=/dev/tty ;;
esac
if [ -n "$console" ] && { [ "$client" != list ] || { [ "$out_file" = /dev/tty ] && [ -f "$want_out" ]; } ||
                          { [ "$err_file" = /dev/tty ] && [ -f "$want_err" ]; }; }; then
  echo "case $name: console= is for client=list, with out= and err= only for a redirected stream"
  exit 2
elif [ -z "$console" ] && [ -s "$want_screen" ]; then
  echo "case $name: screen= without console="
  exit 2
elif [ -n "$console" ] && ! command -v tmux >/dev/null; then
  echo "FAIL [$name]: the console cases need tmux (tools/install-deps.sh installs it)"
  exit 1
fi

# The command line: bytes as written, \x{HH} for any other byte,
# \repeat{N}{TEXT} for TEXT N times, "-" for an empty line. Anything but
# printable ASCII must be escaped, so that the
# bytes do not depend on this file's encoding.
# The bytes go to the launcher in a file: the longest command lines would
# not fit in the launcher's own.
command_file=$dir/command_line.bin
if [ "$command_line" = "-" ]; then
  : >"$command_file"
elif ! perl -e '
    my $s = $ARGV[0];
    die "unescaped byte outside printable ASCII\n" if $s =~ /[^\x20-\x7e]/;
    $s =~ s/\\x\{([0-9A-Fa-f]{2})\}/chr(hex($1))/ge;
    $s =~ s/\\repeat\{(\d+)\}\{([^}]*)\}/$2 x $1/ge;
    print $s;' -- "$command_line" >"$command_file"; then
  echo "case $name: bad command line: $command_line"
  exit 2
fi

report=$dir/report.txt
ledger=$dir/ledger.txt
timeout_s=60
launch() {
  : >"$dir/launch.log"
  : >"$stderr_file"
  rm -f "$report" "$ledger"
  (
    export WINEPREFIX=$prefix
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # Freed strings must reach the task allocator for the ledger to see them.
    export OANOCACHE=1
    export DRAVLEN_TEST_SCENARIO
    DRAVLEN_TEST_SCENARIO=$(windows_path "$dir/scenario.txt")
    export DRAVLEN_TEST_LEDGER
    DRAVLEN_TEST_LEDGER=$(windows_path "$ledger")
    unset DISPLAY WAYLAND_DISPLAY
    i386_run env LC_ALL="$locale" timeout 90 "$DRAVLEN_WINE" "$(windows_path "$DRAVLEN_LAUNCHER")" \
      --report "$(windows_path "$report")" --timeout-ms $((timeout_s * 1000)) "${station[@]}" \
      --cmdline-file "$(windows_path "$command_file")" "$program" \
      </dev/null >>"$out_file" 2>>"$err_file"
  )
}
# The same at a terminal. Wine gives a console program whose standard
# handles are a terminal a console that draws on it, and the launcher's
# child shares that console. The launcher runs in a tmux pane of a fixed
# size, on a server of this run's own so that parallel cases never share
# one. The pane's title, set once the launcher has ended, carries its
# status; coming after all of its output on the terminal, it also says
# that the screen is complete. UTF-8 on the terminal needs a UTF-8 locale:
# C.UTF-8 is the one every machine has, and Wine gives it code page 1252.
tmux_server() { env -u TMUX LC_ALL=C.UTF-8 tmux -L "dravlen-$$" "$@"; }
# tmux leaves its socket behind when its server ends.
tmux_end() {
  tmux_server kill-server 2>/dev/null
  rm -f "${TMUX_TMPDIR:-/tmp}/tmux-$(id -u)/dravlen-$$"
}
launch_at_console() {
  tmux_end
  : >"$dir/launch.log"
  : >"$stderr_file"
  local script
  script="$(declare -p dir stderr_file report ledger prefix locale timeout_s station command_file \
              program out_file err_file DRAVLEN_WINE DRAVLEN_LAUNCHER i386_qemu i386_binfmt)
$(declare -f windows_path launch i386_run i386_in_namespace)
launch
printf '\\033]2;exit %d\\033\\\\' \$?
exec sleep 600"
  tmux_server new-session -d -x 600 -y 40 bash -c "$script" || return 2
  local title
  for _ in $(seq 1000); do
    title=$(tmux_server display-message -p '#{pane_title}')
    [[ "$title" =~ ^exit\ ([0-9]+)$ ]] && break
    sleep 0.1
  done
  tmux_server capture-pane -p | perl -0777 -pe 's/\s+\z//; $_ .= "\n" if length' >"$dir/screen.txt"
  tmux_end
  [[ "$title" =~ ^exit\ ([0-9]+)$ ]] || return 2
  return "${BASH_REMATCH[1]}"
}
[ -n "$console" ] && trap tmux_end EXIT
# The launcher writes its report first thing. Without one, Wine did not get
# as far as the launcher's own code (it now and then fails to start a
# process, seen about once in a thousand starts here): that says nothing of
# the program, so the launch is tried again, at most three times.
for attempt in 1 2 3; do
  if [ -n "$console" ]; then launch_at_console; else launch; fi
  status=$?
  [ -f "$report" ] && break
  echo "note [$name]: Wine did not start the launcher (status $status)"
done

failed=0
if grep -q '^timeout$' "$report" 2>/dev/null; then
  fail "the program did not end within the launcher's time limit of $timeout_s s (a message box nobody can see?)"
elif ! grep -q '^exit ' "$report" 2>/dev/null; then
  fail "the launcher did not run the program to its end (status $status)"
elif [ "$(grep '^exit ' "$report")" != "exit $status" ]; then
  fail "the launcher ended with $status but reports: $(grep '^exit ' "$report")"
fi
if [ "$status" != "$want_status" ]; then
  fail "exit status $status, expected $want_status"
fi
if [ "$command_line" = "-" ] && ! grep -qx 'command line read back: ""' "$report" 2>/dev/null; then
  fail "the program's command line was not emptied: $(grep '^command line' "$report" 2>/dev/null)"
fi

# What dravlen-list.exe or a batch example printed: the launcher's output
# is the child's.
if [ "$mode" = list ] && [ "$crash" = no ]; then
  if [ "$out_file" = /dev/tty ]; then
    :  # on the screen, below
  elif [ -f "$want_out" ]; then
    if ! cmp -s "$dir/launch.log" "$want_out"; then
      fail "standard output differs:"
      diff "$want_out" "$dir/launch.log" | cat -A | head -20
    fi
  elif [ "$client" = program ] &&
       ! tail -n 1 "$dir/launch.log" | grep -Eq "; dravlen.exe answers $want_status"$'\r$'; then
    fail "no verdict line for status $want_status: $(tail -n 1 "$dir/launch.log" | cat -A)"
  fi
  if [ "$err_file" = /dev/tty ]; then
    :  # on the screen, below
  elif [ -f "$want_err" ]; then
    if ! cmp -s "$dir/stderr.txt" "$want_err"; then
      fail "standard error differs:"
      diff "$want_err" "$dir/stderr.txt" | cat -A | head -20
    fi
  elif [ "$want_status" = 4 ]; then
    if [ "$(grep -c $'\r$' "$dir/stderr.txt")" != 1 ] || [ "$(wc -l <"$dir/stderr.txt")" != 1 ]; then
      fail "status 4 is not explained in one line: $(cat -A "$dir/stderr.txt")"
    fi
  elif [ -s "$dir/stderr.txt" ]; then
    fail "wrote to standard error: $(cat -A "$dir/stderr.txt")"
  fi
  if [ -n "$console" ] && ! cmp -s "$dir/screen.txt" "$want_screen"; then
    fail "the screen differs:"
    diff "$want_screen" "$dir/screen.txt" | head -20
  fi
elif [ "$client" = cmd ] && [ -f "$want_out" ]; then
  if ! cmp -s "$dir/launch.log" "$want_out"; then
    fail "the batch file printed other lines:"
    diff "$want_out" "$dir/launch.log" | cat -A | head -20
  fi
elif [ "$client" = cmd ]; then
  case "$want_status" in
    0) want_line="not mounted" ;;
    1) want_line="mounted" ;;
    3) want_line="usage" ;;
    *) want_line="unavailable" ;;
  esac
  if ! cmp -s "$dir/launch.log" <(printf '%s\r\n' "$want_line"); then
    fail "the batch file did not print exactly \"$want_line\": $(od -c "$dir/launch.log" | head -5)"
  fi
fi

# Message boxes.
if ! grep -q '^armed 8 of 8$' "$report" 2>/dev/null; then
  fail "the message box functions were not all watched"
fi
boxes=$(grep -c '^box ' "$report" 2>/dev/null)
if [ "$want_box" = yes ]; then
  if [ "$boxes" != 1 ]; then
    fail "$boxes message boxes, expected exactly one"
  elif ! grep -Eq '^box 1 MessageBoxA owner=0x0 style=0x40 text-bytes=[0-9]+ caption-bytes=[0-9]+$' \
         "$report"; then
    fail "not a MessageBoxA without owner with style 0x40: $(grep '^box ' "$report")"
  else
    if ! cmp -s "$report.box1.caption" <(printf 'Quillmere Dravlen Utility'); then
      fail "caption is not \"Quillmere Dravlen Utility\": $(od -c "$report.box1.caption" | head -5)"
    fi
    if ! cmp -s "$report.box1.text" "$DRAVLEN_USAGE"; then
      fail "usage text differs from $DRAVLEN_USAGE:"
      diff <(od -c "$DRAVLEN_USAGE") <(od -c "$report.box1.text") | head -20
    fi
  fi
elif [ "$boxes" != 0 ]; then
  fail "$boxes message box(es) shown, expected none"
fi

# A crash case must have reached its crash; the process then ends without
# unloading the component, so its ledger has no exit line.
if [ "$crash" = yes ]; then
  if ! grep -q '^crash$' "$ledger" 2>/dev/null; then
    fail "the component did not reach its crash"
  elif grep -q '^exit ' "$ledger"; then
    fail "the process went on normally after the crash"
  fi
fi

# The ledger.
if [ "$want_status" = 3 ]; then
  if [ -s "$ledger" ]; then
    fail "the component was used on the usage path"
  fi
elif [ -s "$ledger" ]; then
  if grep -Eq '^(error|violation) ' "$ledger"; then
    fail "$(grep -E '^(error|violation) ' "$ledger" | tr '\n' ';')"
  fi
  if [ "$crash" = no ]; then
    exit_line=$(grep '^exit ' "$ledger")
    if [ -z "$exit_line" ]; then
      fail "the program ended without unloading the component normally"
    else
      case " $exit_line " in
        *" live-objects=0 "*) ;;
        *) fail "the component was not released: $exit_line" ;;
      esac
      case " $exit_line " in
        *" blocks-handed-out="*)
          case " $exit_line " in
            *" blocks-not-freed=0 "*) ;;
            *) fail "the reply was not freed: $exit_line" ;;
          esac
          case " $exit_line " in
            *" blocks-freed-twice=0 "*) ;;
            *) fail "the reply was freed twice: $exit_line" ;;
          esac
          ;;
      esac
    fi
  fi
fi

if [ "$failed" != 0 ]; then
  echo "--- case: $line"
  echo "--- scenario:"
  cat "$dir/scenario.txt"
  echo "--- command line (hex): $(od -An -tx1 -v "$command_file" | tr -d " \n" | head -c 400)"
  echo "--- launcher output:"
  cat "$dir/launch.log"
  if [ "$mode" = list ]; then
    echo "--- standard error:"
    cat "$dir/stderr.txt"
  fi
  if [ -n "$console" ]; then
    echo "--- screen:"
    cat "$dir/screen.txt" 2>/dev/null
  fi
  echo "--- report:"
  cat "$report" 2>/dev/null
  echo "--- ledger:"
  cat "$ledger" 2>/dev/null
  exit 1
fi
if [ "$mode" = list ]; then
  echo "ok [$name]: dravlen-list.exe, status $status"
  exit 0
fi
echo "ok [$name]: status $status, box $want_box"
# dravlen-list.exe must give dravlen.exe's answer on the same command line.
if [ "$client" = program ] && [[ "$want_status" =~ ^[014]$ ]]; then
  exec bash "$0" "$1" "$cases_file" "$name" list
fi
