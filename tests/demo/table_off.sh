# Sourced by the demo disc's real-window tests that play the game screen but
# not the game table: the table's option is stored off in the settings under
# XDG_CONFIG_HOME, as the options window stores it, before the shell starts.
table_off() {
  mkdir -p "$XDG_CONFIG_HOME/trivion"
  printf 'trivion-settings 1\n[SOFTWARE\\VOMAR\\ТРИВИОН]\n"SwOneO3"=dword:00000000\nend\n' \
    >"$XDG_CONFIG_HOME/trivion/HKEY_CURRENT_USER.reg"
}
