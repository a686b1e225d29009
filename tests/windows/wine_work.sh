# shellcheck shell=bash
# Sourced by the scripts that run decoder.exe under Wine beside the Linux
# build, once $windows is set: a fixed locale and time zone, a work folder
# removed at the end, and its own Wine prefix, set up once here and its server
# stopped at the end.
export WINEDEBUG=-all LC_ALL=C TZ=UTC
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX=$work/wine
wine "${windows:?}" -v >/dev/null 2>&1 || true
