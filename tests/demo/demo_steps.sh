# Steps the demo disc's real-window tests share; sourced after xvfb.sh, with
# fail() defined and XDG_CONFIG_HOME set.

# The game table's option stored off in the settings, as the options window
# stores it, before the shell starts: for tests that play the game screen but
# not the table.
table_off() {
  mkdir -p "$XDG_CONFIG_HOME/trivion"
  printf 'trivion-settings 1\n[SOFTWARE\\VOMAR\\ТРИВИОН]\n"SwOneO3"=dword:00000000\nend\n' \
    >"$XDG_CONFIG_HOME/trivion/HKEY_CURRENT_USER.reg"
}

# "Новая игра" on the main menu, then the keys under Shift+B, D, F, Y on a US
# keyboard ("Иван" in the program's Russian layout) and Enter, into the game
# screen. A loaded machine may end the registration screen's fade late: keys
# typed before the name box has the focus go nowhere, so the box is cleared
# and the name typed again until Enter is taken.
register_ivan() {
  sleep 1
  xdotool mousemove $((X + 600)) $((Y + 153)) click 1
  await_trace '"ev":"screen","screen":2' || fail "the registration screen did not open"
  sleep 1.5
  for _ in 1 2 3 4 5; do
    xdotool key BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace shift+b d f y
    sleep 0.3
    xdotool key Return
    await_trace '"ev":"screen","screen":5' 30 && return 0
  done
  fail "Enter did not enter the game screen"
}
