#!/usr/bin/env bash
# Reads the Windows program's window as a Windows screen reader does, through UI Automation,
# under Wine in a virtual X server: every control it shows must have its name.
# Usage: uia.sh BOOKKEEPING_EXE UIANAMES_EXE, with RUN_UNDER the command that runs Windows
# programs here.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"

# shellcheck disable=SC2086 # RUN_UNDER is a command with its arguments
${RUN_UNDER} "$1" &
app=$!
# Plain Wine, as RUN_UNDER waits for every Wine process to end, the program's too; and into a
# file, as Wine's own processes, started meanwhile, would hold a pipe open.
answer=$(mktemp)
WINEDEBUG=-all wine "$2" 记账软件 >"$answer" || fail "UI Automation could not read the window"
tree=$(tr -d '\r' <"$answer")
rm -f "$answer"
echo "What UI Automation reads below the window 记账软件:"
echo "$tree"
expected="[group] 
[text] 描述:
[edit] 描述
[text] 金额:
[spinner] 金额
[text] 搜索记录:
[edit] 搜索记录
[button] 搜索
[list] 记录列表
[button] 添加记录
[button] 清除记录"
[ "$tree" = "$expected" ] || fail "not what was expected:"$'\n'"$(diff <(echo "$expected") - <<<"$tree")"

wmctrl -c 记账软件
wait_for 20 bash -c "! kill -0 $app" || fail "the program did not end after its window closed"
echo "PASS: UI Automation names every control of the window"
