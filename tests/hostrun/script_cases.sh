#!/usr/bin/env bash
# hostrun's cases on the native build, one group per CTest test. Each case prints "PASS name" or
# "FAIL name: reason" (with hostrun's output below it); the exit status is nonzero when any
# case failed.
#   script_cases.sh GROUP HOSTRUN DEMO_SCRIPT FAULTY_LIBRARY
set -uo pipefail
group=$1 hostrun=$2 demo=$3 faulty=$4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A fresh simulated system: drive C: with the folder the demo hands to GetShortPath.
export WINSIM_ROOT=$work/system
mkdir -p "$WINSIM_ROOT/c/Program Files"

failures=0
reasons=()

# Runs hostrun with exactly the given arguments; leaves status, out and err.
invoke() {
  "$hostrun" "$@" >"$work/out" 2>"$work/err"
  status=$?
  out=$(<"$work/out")
  err=$(<"$work/err")
}

# Writes SCRIPT_TEXT to case.hst and runs hostrun on it with the options that follow.
run() {
  local text=$1
  shift
  printf '%s' "$text" >"$work/case.hst"
  invoke "$@" "$work/case.hst"
}

want_status() { [ "$status" = "$1" ] || reasons+=("exit $status, expected $1"); }
want_in() { # STREAM(out|err) TEXT
  local haystack=${!1}
  [[ $haystack == *"$2"* ]] || reasons+=("std$1 lacks [$2]")
}
want_not_in() {
  local haystack=${!1}
  [[ $haystack != *"$2"* ]] || reasons+=("std$1 holds [$2]")
}
want_empty() { [ -z "${!1}" ] || reasons+=("std$1 is not empty"); }

verdict() {
  if [ ${#reasons[@]} -eq 0 ]; then
    echo "PASS $1"
  else
    local IFS=';'
    echo "FAIL $1: ${reasons[*]}"
    printf '%s\n' "$out" | sed 's/^/    out| /' | head -n 40
    printf '%s\n' "$err" | sed 's/^/    err| /' | head -n 20
    failures=$((failures + 1))
  fi
  reasons=()
}

# A script refused before anything runs: exit 2, the message at its line, no output.
#   refused NAME MESSAGE SCRIPT [OPTIONS...]   (MESSAGE starts ":LINE: ")
refused() {
  local name=$1 message=$2 text=$3
  shift 3
  run "$text" "$@"
  want_status 2
  want_in err "case.hst$message"
  want_empty out
  verdict "$name"
}

# A script stopped at a line while it runs: exit 2, the message at its line, and the line after
# it ("print AFTER") never runs.
#   stopped NAME MESSAGE SCRIPT [OPTIONS...]
stopped() {
  local name=$1 message=$2 text=$3
  shift 3
  run "$text" "$@"
  want_status 2
  want_in err "case.hst$message"
  want_not_in out "AFTER"
  verdict "$name"
}

# A script that runs to its end: exit 0, no message, and OUTPUT in what it printed.
#   prints NAME OUTPUT SCRIPT [OPTIONS...]
prints() {
  local name=$1 output=$2 text=$3
  shift 3
  run "$text" "$@"
  want_status 0
  want_empty err
  want_in out "$output"
  verdict "$name"
}

# A script that runs to its end with a failed expect: exit 1, the message at its line, and the
# lines after it still run.
#   mismatch NAME MESSAGE SCRIPT [OPTIONS...]
mismatch() {
  local name=$1 message=$2 text=$3
  shift 3
  run "$text"$'print AFTER\n' "$@"
  want_status 1
  want_in err "case.hst$message"
  want_in err "case.hst: 1 expectation failed"
  want_in out "AFTER is not set"
  verdict "$name"
}

group_demo() {
  invoke "$demo"
  want_status 0
  want_empty err
  local line
  for line in 'GetNames -> 1' 'SetAppTitle -> 0' 'GetCardLabel -> 0' 'GetManStuff -> 0' \
              'SetDriverName -> 0' 'GetDate -> 0' 'GetShortPath -> 1' \
              'GetModemName2(128) -> 1 size=12 "Kelo MQX 56"' \
              'GetModemName2(256) -> 1 size=12 "Kelo MQX 56"' \
              'GetCardName2(128) -> 1 size=12 "Kelo MQX/56"' \
              'GetCardName2(256) -> 1 size=12 "Kelo MQX/56"' \
              'GetRegPath2(128) -> 1 size=36 "SOFTWARE\Ombrel\kmdm\CurrentVersion"' \
              'GetRegPath2(256) -> 1 size=36 "SOFTWARE\Ombrel\kmdm\CurrentVersion"'; do
    want_in out "$line"
  done
  # The folder exists on the simulated drive, so GetShortPath gives its short form.
  want_in out 'MAINDIR = "C:\PROGRA~1"'
  verdict "identity demo"
}

group_syntax() {
  refused 'unknown command' ':2: unknown command "frob"' $'call GetDate\nfrob X\n'
  refused 'command names are exact' ':1: unknown command "SET"' $'SET A 1\n'
  refused 'set without value' ':1: set takes 2 arguments (set NAME VALUE), not 1' $'set A\n'
  refused 'set with three' ':1: set takes 2 arguments (set NAME VALUE), not 3' $'set A b c\n'
  refused 'call without export' ':1: call takes 1 argument (call EXPORT), not 0' $'call\n'
  refused 'query without capacity' ':1: query takes 2 arguments' $'query GetRegPath2\n'
  refused 'vars with argument' ':1: vars takes 0 arguments (vars), not 1' $'vars x\n'
  refused 'expect without value' ':1: expect takes 2 arguments' $'expect A\n'
  refused 'end with argument' ':2: end takes 0 arguments' $'while GetNames\nend x\n'
  refused 'unterminated quote' ':3: unterminated quote (opened at column 7)' $'# comment\n\nset A "abc\n'
  refused 'quote closed by doubling' ':1: unterminated quote' $'set A "abc""\n'
  refused 'quote inside a token' ':1: double quote inside an unquoted token at column 9' $'set A ab"c\n'
  refused 'text after a quote' ':1: text right after a closing quote at column 10' $'set A "a"b\n'
  refused 'end without while' ':2: end without a while' $'call GetDate\nend\n'
  refused 'end after a closed while' ':4: end without a while' $'while GetNames\nend\n\nend\n'
  refused 'while without end' ':1: while without an end' $'while GetNames\n  while GetDate\n  end\n'
  refused 'percent signs in a name' ':1: set: variable name %A% holds a percent sign' $'set %A% 1\n'
  refused 'empty name' ':1: print: empty variable name' $'print ""\n'
  refused 'capacity not a number' ':1: query: capacity "12x" is not a number' $'query GetRegPath2 12x\n'
  refused 'capacity negative' ':1: query: capacity "-1" is not a number' $'query GetRegPath2 -1\n'
  refused 'capacity too large' ':1: query: capacity "1048577"' $'query GetRegPath2 1048577\n'
  refused 'result not a whole number' ':1: expect-result: "1.0" is not a whole number' $'expect-result 1.0\n'
  refused 'result past int' ':1: expect-result: "2147483648" is not' $'expect-result 2147483648\n'
  refused 'unknown export' ':2: install.dll has no export named NoSuchExport (error 127)' \
    $'call GetDate\ncall NoSuchExport\n'
  refused 'decorated export name' ':1: install.dll has no export named GetNames@4' $'call GetNames@4\n'
  refused 'unknown export of a query' ':1: install.dll has no export named NoSuchQuery' \
    $'query NoSuchQuery 8\n'
  refused 'unknown export of a while' ':1: install.dll has no export named NoSuchLoop' \
    $'while NoSuchLoop\nend\n'

  # Every fault of a script is reported, in line order, the unclosed block included.
  run $'while GetNames\nfrob\nset A\n'
  want_status 2
  want_in err $'case.hst:1: while without an end\n'
  want_in err $'case.hst:2: unknown command "frob" (see --help)\n'
  want_in err $'case.hst:3: set takes 2 arguments'
  want_empty out
  verdict 'all faults in line order'
}

group_options() {
  printf 'call GetDate\n' >"$work/ok.hst"
  local row name code message
  # name | exit | message | arguments...
  while IFS='|' read -r name code message args; do
    local argv=()
    read -r -a argv <<<"$args"
    invoke "${argv[@]}"
    want_status "$code"
    want_in err "$message"
    want_empty out
    verdict "$name"
  done <<EOF
unknown option|2|hostrun: unknown option --frob (see --help)|--frob $work/ok.hst
capacity past its bound|2|--capacity takes a number from 0 to 10000, not "10001"|--capacity 10001 $work/ok.hst
capacity not a number|2|--capacity takes a number from 0 to 10000, not "2x"|--capacity 2x $work/ok.hst
width not a number|2|--name-width takes a number from 0 to 4096, not "-1"|--name-width -1 $work/ok.hst
width past its bound|2|--value-width takes a number from 0 to 4096, not "99999999999"|--value-width 99999999999 $work/ok.hst
option without its value|2|--capacity needs a value|$work/ok.hst --capacity
no script|2|no script given|--capacity 4
two scripts|2|one script only|$work/ok.hst $work/ok.hst
missing script file|2|cannot read the script $work/none.hst|$work/none.hst
missing library|2|cannot load nosuch.dll (error 126)|--library nosuch.dll $work/ok.hst
EOF

  invoke --help
  want_status 0
  want_in out 'Usage: hostrun [OPTIONS] SCRIPT'
  local command
  for command in 'set NAME VALUE' 'call EXPORT' 'query EXPORT CAPACITY' 'while EXPORT' 'end' \
                 'print NAME' 'vars' 'expect NAME VALUE' 'expect-unset NAME' 'expect-result N' \
                 'expect-size N' 'expect-text TEXT' '--library FILE' '--capacity N' \
                 '--name-width N' '--value-width N'; do
    want_in out "  $command"
  done
  want_in out 'Exit status: 0 when all went well; 1 when'
  verdict 'usage text'

  "$hostrun" - <"$work/ok.hst" >"$work/out" 2>"$work/err"
  status=$? out=$(<"$work/out") err=$(<"$work/err")
  want_status 0
  want_in out 'GetDate -> 0'
  verdict 'script from standard input'

  printf 'frob\n' | "$hostrun" - >"$work/out" 2>"$work/err"
  status=$? out=$(<"$work/out") err=$(<"$work/err")
  want_status 2
  want_in err 'stdin:1: unknown command "frob"'
  verdict 'standard input named in messages'
}

group_runtime() {
  stopped 'table full' ':3: set: the table is full (2 entries); cannot add C' \
    $'set A 1\nset B 2\nset C 3\nprint AFTER\n' --capacity 2
  stopped 'table of no entries' ':1: set: the table is full (0 entries)' $'set A 1\nprint AFTER\n' \
    --capacity 0
  stopped 'name too wide for the slots' \
    ':2: set: name ABCDEFGHIJKLMNOPQRSTUVWXYZABCD does not fit the 32-byte name slots ("%ABCDEFGHIJKLMNOPQRSTUVWXYZABCD%" needs 33)' \
    $'set ABCDEFGHIJKLMNOPQRSTUVWXYZABC 1\nset ABCDEFGHIJKLMNOPQRSTUVWXYZABCD 1\nprint AFTER\n'
  stopped 'value too wide for the slots' ':2: set: value of 4 characters does not fit the 4-byte value slots' \
    $'set A abc\nset A abcd\nprint AFTER\n' --value-width 4
  stopped 'result before any call' ':1: expect-result: no call or query has run yet' \
    $'expect-result 1\nprint AFTER\n'
  stopped 'size before any query' ':2: expect-size: no query has run yet' \
    $'call GetNames\nexpect-size 36\nprint AFTER\n'
  stopped 'text before any query' ':1: expect-text: no query has run yet' $'expect-text x\nprint AFTER\n'
  stopped 'endless while' ':1: while GetNames: still 1 after 1000 rounds' \
    $'while GetNames\nend\nprint AFTER\n'

  # The bound counts rounds of the body: exactly 1000 ran.
  run $'while GetNames\n  print X\nend\n'
  want_status 2
  local rounds
  rounds=$(grep -c '^X is not set$' "$work/out")
  [ "$rounds" = 1000 ] || reasons+=("the body ran $rounds times")
  verdict 'while bound in rounds'
}

group_language() {
  prints 'backslashes literal, quotes doubled' 'P = "C:\Program Files\Kelo ""MQX"""' \
    $'set P "C:\\Program Files\\Kelo ""MQX"""\nprint P\n'
  prints 'comment after the tokens' 'A = "x"' $'set A x # a comment\nprint A\n'
  prints 'hash inside quotes' 'A = "#x"' $'set A "#x"\nprint A\n'
  prints 'hash inside a token' 'A = "a#b"' $'set A a#b\nprint A\n'
  prints 'empty value' 'A = ""' $'set A ""\nprint A\n'
  prints 'tabs between tokens, blanks kept in quotes' 'A = " t  t "' $'\tset\tA\t" t  t "  \nprint A\n'
  prints 'CR LF line ends' $'A = "x"\nvars (1 of 64)' $'set A x\r\n\r\n# note\r\nprint A\r\nvars\r\n'
  prints 'last line without a newline' 'A = "x"' $'set A x\nprint A'
  prints 'set replaces a value in place' $'vars (2 of 64)\n  B = "1"\n  A = "3"' \
    $'set B 1\nset A 2\nset A 3\nvars\n'
  prints 'name of 29 characters' 'ABCDEFGHIJKLMNOPQRSTUVWXYZABC = "1"' \
    $'set ABCDEFGHIJKLMNOPQRSTUVWXYZABC 1\nprint ABCDEFGHIJKLMNOPQRSTUVWXYZABC\n'
  prints 'wider name slots' 'ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF = "1"' \
    $'set ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF 1\nprint ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF\n' --name-width 35
  prints 'value filling its slot' 'A = "abc"' $'set A abc\nprint A\n' --value-width 4
  # A call lists what it created or changed, nothing that kept its value.
  prints 'unchanged variable not listed' $'GetNames -> 1\n  DLLTARGET = "obrcnfg.dll"' \
    $'set MDMTARGET mdmobra.inf\ncall GetNames\n'
  prints 'repeated call lists nothing' $'  MAINDIR = "Kelo MQX 56"\nGetNames -> 1\nMAINDIR = "Kelo MQX 56"' \
    $'call GetNames\ncall GetNames\nprint MAINDIR\n'
  prints 'changed variable listed' $'GetShortPath -> 1\n  MAINDIR = "C:\\PROGRA~1"' \
    $'set MAINDIR "C:\\Program Files"\ncall GetShortPath\n'

  run $'while GetDate\n  print X\nend\nprint Y\n'
  want_status 0
  [ "$out" = $'GetDate -> 0\n  INST_VERSION = "3.5"\nY is not set' ] || reasons+=("output differs")
  verdict 'while body skipped on 0'
}

group_queries() {
  prints 'capacity one short' 'GetRegPath2(35) -> 0 size=36 (buffer untouched)' $'query GetRegPath2 35\n'
  prints 'capacity exact' 'GetRegPath2(36) -> 1 size=36 "SOFTWARE\Ombrel\kmdm\CurrentVersion"' \
    $'query GetRegPath2 36\n'
  prints 'capacity zero' 'GetModemName2(0) -> 0 size=12 (buffer untouched)' $'query GetModemName2 0\n'
  prints 'expects of a query' 'GetCardName2(12) -> 1 size=12 "Kelo MQX/56"' \
    $'query GetCardName2 12\nexpect-result 1\nexpect-size 12\nexpect-text "Kelo MQX/56"\n'
}

group_full_table() {
  # Two entries: GetNames publishes what fits and still reports success.
  run $'call GetNames\nexpect-result 1\nexpect MDMTARGET mdmobra.inf\nexpect DLLTARGET obrcnfg.dll\nexpect-unset MODEMNAME\nexpect-unset MAINDIR\nvars\n' \
    --capacity 2
  want_status 0
  want_empty err
  [ "$out" = $'GetNames -> 1\n  MDMTARGET = "mdmobra.inf"\n  DLLTARGET = "obrcnfg.dll"\nvars (2 of 2)\n  MDMTARGET = "mdmobra.inf"\n  DLLTARGET = "obrcnfg.dll"' ] ||
    reasons+=("output differs")
  verdict 'full table keeps the first two'

  # A variable already in the full table is still updated in its slot; changes print in table
  # order.
  prints 'full table updates what it holds' $'GetNames -> 1\n  MAINDIR = "Kelo MQX 56"\n  MDMTARGET = "mdmobra.inf"\nvars (2 of 2)' \
    $'set MAINDIR x\ncall GetNames\nvars\n' --capacity 2
}

group_expect() {
  mismatch 'value differs' ':2: expect MODEMNAME: "Kelo MQX 56", expected "Kelo"' \
    $'call GetNames\nexpect MODEMNAME Kelo\n'
  mismatch 'variable not set' ':1: expect A: not set, expected ""' $'expect A ""\n'
  mismatch 'variable set' ':2: expect-unset A: set to "1"' $'set A 1\nexpect-unset A\n'
  mismatch 'result differs' ':2: expect-result: 1, expected 0' $'call GetNames\nexpect-result 0\n'
  mismatch 'size differs' ':2: expect-size: 36, expected 35' $'query GetRegPath2 8\nexpect-size 35\n'
  mismatch 'query gave no text' ':2: expect-text: the last query gave no text, expected "x"' \
    $'query GetRegPath2 8\nexpect-text x\n'
  mismatch 'text differs' ':2: expect-text: "Kelo MQX 56", expected "Kelo"' \
    $'query GetModemName2 64\nexpect-text Kelo\n'
  mismatch 'names compare exactly' ':2: expect a: not set' $'set A 1\nexpect a 1\n'

  run $'expect A 1\nexpect B 2\ncall GetDate\nexpect-result 1\n'
  want_status 1
  want_in err 'case.hst: 3 expectations failed'
  want_in out 'GetDate -> 0'
  verdict 'failures counted, script finished'
}

group_faults() {
  stopped 'write past the table' ':1: WritesPastTable wrote past the end of the name table' \
    $'call WritesPastTable\nprint AFTER\n' --library "$faulty"
  stopped 'block field changed' ":1: ChangesMaxCount changed the parameter block's maxCount" \
    $'call ChangesMaxCount\nprint AFTER\n' --library "$faulty"
  stopped 'count past maxCount' ':1: CountsPastMax set count to 3, past maxCount 2' \
    $'call CountsPastMax\nprint AFTER\n' --library "$faulty" --capacity 2
  stopped 'unterminated value' ':2: LeavesValueUnterminated left value slot 1 without a terminator' \
    $'set A 1\ncall LeavesValueUnterminated\nprint AFTER\n' --library "$faulty"
  stopped 'query past its buffer' ':1: QueryWritesPast wrote past the end of its 8-byte buffer' \
    $'query QueryWritesPast 8\nprint AFTER\n' --library "$faulty"
  stopped 'query success without text' ':1: QueryUnterminated returned 1 without a terminated text' \
    $'query QueryUnterminated 8\nprint AFTER\n' --library "$faulty"
  prints 'query refusal that wrote' 'QueryScribbles(8) -> 0 size=99 (buffer changed!)' \
    $'query QueryScribbles 8\n' --library "$faulty"
  prints 'entry dropped' $'DropsLastEntry -> 1\n  B removed' $'set A 1\nset B 2\ncall DropsLastEntry\n' \
    --library "$faulty"
}

case "$group" in
  demo) group_demo ;;
  syntax) group_syntax ;;
  options) group_options ;;
  runtime) group_runtime ;;
  language) group_language ;;
  queries) group_queries ;;
  full-table) group_full_table ;;
  expect) group_expect ;;
  faults) group_faults ;;
  *) echo "FAIL $group: no such group"; exit 2 ;;
esac
[ "$failures" = 0 ]
