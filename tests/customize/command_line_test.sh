#!/usr/bin/env bash
# customize on a copy of the built native library: show, set, every refusal leaving the file byte
# for byte as it was, and the patched library, loaded by hostrun, answering with the new values.
#   command_line_test.sh CUSTOMIZE LIBRARY HOSTRUN
# Prints "PASS name" or "FAIL name: reason" per case; exits nonzero when a case failed.
set -u
customize=$1 library=$2 hostrun=$3

source "$(dirname "${BASH_SOURCE[0]}")/../support/cases.sh"

copy=$work/libinstall.so
cp "$library" "$copy"
chmod 0751 "$copy"  # unusual bits, to see that the rewrite keeps them
cp "$copy" "$work/original"

# Runs customize with the given arguments; leaves its status in $rc, its output in $out and
# $err.
run() {
  "$customize" "$@" >"$work/out" 2>"$work/err"
  rc=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
}

# --- show ---------------------------------------------------------------------------------------
run show "$copy"
offset=$(printf '%s\n' "$out" | sed -n 's/.*customization block at file offset \(0x[0-9A-F]*\),.*/\1/p')
if [ "$rc" -ne 0 ]; then
  fail show "exit $rc: $err"
elif [ -z "$offset" ]; then
  fail show "no block offset in: $out"
elif [ "$(printf '%s\n' "$out" | grep -cE '^ +[0-9]+  ')" -ne 18 ]; then
  fail show "expected 18 record lines: $out"
elif ! printf '%s\n' "$out" | grep -qE '^ +15  ModemName +21  text +"Kelo MQX 56"$' ||
     ! printf '%s\n' "$out" | grep -qE '^ +11  DeviceID +2  number +36944 \(0x9050\)$'; then
  fail show "built-in values missing: $out"
else
  pass show
fi
offset=$((${offset:-0}))

# The bytes that differ between two files all lie inside the block, and there are at most $3.
changed_inside_block() {
  local positions
  positions=$(cmp -l "$1" "$2" | awk '{ print $1 - 1 }')
  [ "$(printf '%s\n' "$positions" | grep -c .)" -le "$3" ] || return 1
  for p in $positions; do
    [ "$p" -ge "$offset" ] && [ "$p" -lt $((offset + 672)) ] || return 1
  done
}

# --- set ----------------------------------------------------------------------------------------
# Each row: case name, label, value, the line show must then print for the record (a regex).
full_width=ABCDEFGHIJKLMNOPQRSTUVWXYZ01234  # LongCardLabel's 31 bytes, no NUL in the field
set_cases=(
  "text|ModemName|Rebranded 9|^ +15  ModemName +21  text +\"Rebranded 9\"$"
  "full_width_text|LongCardLabel|$full_width|^ +4  LongCardLabel +31  text +\"$full_width\"$"
  "hex_number|DeviceID|0x1234|^ +11  DeviceID +2  number +4660 \\(0x1234\\)$"
  "decimal_number|SubVendorID|4321|^ +14  SubVendorID +2  number +4321 \\(0x10E1\\)$"
  # Given and shown in UTF-8, stored in code page 1252, one byte per character.
  "utf8_text|LongManufacturerLabel|Müller|^ +6  LongManufacturerLabel +51  text +\"Müller\"$"
)
for row in "${set_cases[@]}"; do
  IFS='|' read -r name label value line <<<"$row"
  cp "$copy" "$work/before"
  run set "$copy" "$label" "$value"
  if [ "$rc" -ne 0 ]; then
    fail "set_$name" "exit $rc: $err"
    continue
  fi
  run show "$copy"
  if ! printf '%s\n' "$out" | grep -qE "$line"; then
    fail "set_$name" "show does not print /$line/: $out"
  elif ! changed_inside_block "$work/before" "$copy" 31; then
    fail "set_$name" "bytes outside the value changed: $(cmp -l "$work/before" "$copy" | head)"
  else
    pass "set_$name"
  fi
done
# Writing the built-in values back gives the very file the linker made: the tool writes values
# exactly as the library is built with them, and nothing else.
cp "$work/original" "$work/round_trip"
round_trip=ok
for pair in "ModemName|Someone Else" "ModemName|Kelo MQX 56" "DummyValue|x" "DummyValue|kmdm" \
            "VendorID|1" "VendorID|0x10B5"; do
  IFS='|' read -r label value <<<"$pair"
  run set "$work/round_trip" "$label" "$value"
  [ "$rc" -eq 0 ] || round_trip="set $label $value: exit $rc: $err"
done
if [ "$round_trip" != ok ]; then
  fail round_trip "$round_trip"
elif ! cmp -s "$work/original" "$work/round_trip"; then
  fail round_trip "differs from the built file: $(cmp -l "$work/original" "$work/round_trip" | head -5)"
else
  pass round_trip
fi

mode=$(stat -c %a "$copy")
if [ "$mode" = 751 ]; then pass set_keeps_permission_bits; else fail set_keeps_permission_bits "mode $mode"; fi
if [ -z "$(find "$work" -name '.*customize*')" ]; then
  pass set_leaves_no_temporary_file
else
  fail set_leaves_no_temporary_file "$(find "$work" -name '.*customize*')"
fi

# --- refusals -----------------------------------------------------------------------------------
# Broken files for the refusals; each refusal checks them all, and the patched copy, unchanged.
printf 'no block in here\n' >"$work/no_block"
cat "$work/original" "$work/original" >"$work/two_blocks"
head -c $((offset + 600)) "$work/original" >"$work/truncated"
cp "$work/original" "$work/bad_count"
printf '\016' | dd of="$work/bad_count" bs=1 seek=$((offset + 20)) conv=notrunc status=none
cp "$work/original" "$work/bad_end_marker"
printf 'Z' | dd of="$work/bad_end_marker" bs=1 seek=$((offset + 656)) conv=notrunc status=none
mkdir "$work/folder"

files=("$copy" "$work/no_block" "$work/two_blocks" "$work/truncated" "$work/bad_count"
       "$work/bad_end_marker")

# refuse NAME STATUS WORD ARGUMENTS...: customize ARGUMENTS must exit with STATUS, say WORD on
# stderr, print nothing on stdout and leave every file byte for byte as it was.
refuse() {
  local name=$1 expected=$2 word=$3 f untouched=yes
  shift 3
  for f in "${files[@]}"; do cp "$f" "$f.snapshot"; done
  run "$@"
  for f in "${files[@]}"; do cmp -s "$f" "$f.snapshot" || untouched="no, $f changed"; done
  if [ "$rc" -ne "$expected" ]; then
    fail "refuse_$name" "exit $rc, expected $expected; stderr: $err"
  elif [ -n "$out" ]; then
    fail "refuse_$name" "printed on stdout: $out"
  elif [[ $err != *"$word"* ]]; then
    fail "refuse_$name" "stderr lacks \"$word\": $err"
  elif [ "$untouched" != yes ]; then
    fail "refuse_$name" "file touched: $untouched"
  else
    pass "refuse_$name"
  fi
}

refuse too_long 1 "holds 21" set "$copy" ModemName 1234567890123456789012
refuse unknown_label 1 "no record is labelled" set "$copy" NoSuchLabel x
refuse label_in_other_case 1 "no record is labelled" set "$copy" modemname x
refuse start_marker_as_label 1 "no record is labelled" set "$copy" "(start marker)" x
refuse number_over_65535 1 "65535" set "$copy" DeviceID 65536
refuse hex_over_0xFFFF 1 "65535" set "$copy" DeviceID 0x10000
refuse not_a_number 1 "not a number" set "$copy" DeviceID 12a
refuse negative_number 1 "not a number" set "$copy" DeviceID -1
refuse empty_number 1 "not a number" set "$copy" VendorID ""
refuse control_character 1 "control character" set "$copy" ModemName $'Tab\there'
refuse not_in_code_page 1 "U+03A9" set "$copy" ModemName $'Ohm \xce\xa9'
refuse not_utf8 1 "not UTF-8" set "$copy" ModemName $'Caf\xe9'
refuse trailing_blank 1 "ends with a blank" set "$copy" ModemName "Trailing "
refuse second_start_marker 1 "second start marker" set "$copy" ModemName "AAAAAA Start Data"
refuse no_block 1 "no customization block" set "$work/no_block" ModemName x
refuse no_block_show 1 "no customization block" show "$work/no_block"
refuse two_blocks 1 "2 start markers" set "$work/two_blocks" ModemName x
refuse two_blocks_show 1 "2 start markers" show "$work/two_blocks"
refuse truncated 1 "cut off" set "$work/truncated" ModemName x
refuse bad_count 1 "record count" set "$work/bad_count" ModemName x
refuse bad_count_show 1 "record count" show "$work/bad_count"
refuse bad_end_marker 1 "end marker" set "$work/bad_end_marker" ModemName x
refuse missing_file 1 "cannot open" set "$work/missing" ModemName x
refuse folder 1 "not a regular file" set "$work/folder" ModemName x
refuse usage_no_arguments 2 "usage"
refuse usage_set_without_value 2 "takes 3 arguments" set "$copy" ModemName
refuse usage_unknown_command 2 "unknown command" patch "$copy" ModemName x

# --- the patched library answers with the new values --------------------------------------------
if [ ! -x "$hostrun" ]; then
  fail library_answers "hostrun is not built at $hostrun"
else
  printf '%s\n' 'query GetModemName2 128' 'query GetCardName2 128' 'call GetNames' \
    'expect MODEMNAME "Rebranded 9"' >"$work/queries"
  answer=$(timeout 60 "$hostrun" --library "$copy" "$work/queries" 2>&1)
  status=$?
  if [ "$status" -ne 0 ]; then
    fail library_answers "hostrun exit $status: $answer"
  elif [[ $answer != *'GetModemName2(128) -> 1 size=12 "Rebranded 9"'* ]]; then
    fail library_answers "no new ModemName in: $answer"
  elif [[ $answer != *"GetCardName2(128) -> 1 size=32 \"$full_width\""* ]]; then
    fail library_answers "no full-width LongCardLabel in: $answer"
  else
    pass library_answers
  fi
fi

[ "$failures" -eq 0 ]
