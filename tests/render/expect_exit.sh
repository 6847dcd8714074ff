#!/usr/bin/env bash
# expect_exit.sh CODE PATTERN COMMAND...: passes when COMMAND exits with CODE and its output
# contains PATTERN.
expected=$1
pattern=$2
shift 2
output=$("$@" 2>&1)
code=$?
if [[ $code -ne $expected ]]; then
    printf 'exit code %d, expected %d\n%s\n' "$code" "$expected" "$output"
    exit 1
fi
if [[ $output != *"$pattern"* ]]; then
    printf 'output lacks "%s"\n%s\n' "$pattern" "$output"
    exit 1
fi
echo "exit code $code with \"$pattern\", as expected"
