# Runs inside the virtual X server as the unprivileged user: the simulator's and the
# program's menu commands, one setting changed in each, each window closed as a window
# manager would, then the program once more, so it restores and saves again.
set -euo pipefail

wait_window() { timeout 30 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }
# Types a gain into the control panel's gain field and confirms it with Enter.
set_gain() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove --window "$1" 600 $((HEIGHT - 508 + 104 + 156 + 14)) click 1
    xdotool key ctrl+a
    xdotool type "$2"
    xdotool key Return
    sleep 1
}
# The message box every exchange shows without an instrument: Enter is its OK.
dismiss_message() {
    wait_window '^错误$' >/dev/null
    sleep 0.5
    xdotool key Return
    sleep 0.5
}
close_and_wait() {
    "$CLOSE" "$1"
    timeout 30 tail --pid="$2" -f /dev/null
}

echo "simulator: $SIMULATOR_COMMAND"
$SIMULATOR_COMMAND &
pid=$!
window=$(wait_window '5120RX')
sleep 1
set_gain "$window" 33
close_and_wait "$window" $pid

echo "program: $PROGRAM_COMMAND"
for gain in 44 ""; do
    $PROGRAM_COMMAND &
    pid=$!
    dismiss_message # start-up's read-back: no instrument here
    window=$(wait_window '5120RX')
    sleep 1
    if [ -n "$gain" ]; then
        set_gain "$window" "$gain"
        dismiss_message # the send
    fi
    close_and_wait "$window" $pid
done
