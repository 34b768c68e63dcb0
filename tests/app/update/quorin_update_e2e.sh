#!/usr/bin/env bash
# The program's start with an update check configured, under a virtual display at 100 % and
# 200 %: an installed version list names a loopback server that announces a newer version. The
# first start shows the update window before the wizard (photographed), Escape hands over to
# the wizard, whose menu opens the About window (photographed); a second start within the week
# goes straight to the wizard without asking the server. Pictures stay in OUT.
#
#   quorin_update_e2e.sh QUORIN RESOURCES OUT
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_cleanup.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_display.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_wait.sh"
set -uo pipefail
quorin=$1 resources=$2 out=$3
for tool in Xvfb xauth mcookie xdotool xwininfo import python3; do
  command -v "$tool" >/dev/null || { echo "skip: $tool is not installed"; exit 77; }
done
mkdir -p "$out"
work=$(mktemp -d "$out/run-XXXXXX")
server=
e2e_on_exit 'rm -rf "$work"'
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The server: a newer version with two change lines.
mkdir -p "$work/www"
cat >"$work/www/list.plist" <<'PLIST'
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>VersionCheck</key><integer>99</integer><key>Version</key><string>9.9</string>
<key>1</key><string>Faster deep scans of large disks</string>
<key>2</key><string>&lt;b&gt;Markup&lt;/b&gt; shows as plain text</string>
</dict></plist>
PLIST
(cd "$work/www" && exec python3 -u -m http.server --bind 127.0.0.1 0) >"$work/server.log" 2>&1 &
server=$!
port=
# Until it tells its port, or has ended.
while kill -0 $server 2>/dev/null; do
  port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/server.log" 2>/dev/null | head -1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the loopback server did not start"; exit 1; }
requests() { grep -c 'GET /list.plist' "$work/server.log"; }

# The program as installed with that list: the executable finds resources/ beside its folder.
mkdir -p "$work/install/bin" "$work/install/resources"
ln "$quorin" "$work/install/bin/quorin" 2>/dev/null || cp "$quorin" "$work/install/bin/quorin"
cp "$resources"/*.plist "$work/install/resources/"
cat >"$work/install/resources/LocalVersionMessage.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>VersionCheck</key><integer>1</integer><key>upDataTimeStr</key><string></string>
<key>en</key><dict>
<key>IniURL</key><string>http://127.0.0.1:$port/list.plist</string>
<key>UpdateURL</key><string>http://127.0.0.1:$port/download</string>
<key>AboutURL</key><string>http://127.0.0.1:$port/about</string>
</dict></dict></plist>
PLIST

# One start under a display: prints the widths (in points) of the visible windows it saw, in
# order, as "first=W wizard=W about=W"; takes the pictures named after the scale.
cat >"$work/start.sh" <<'SH'
#!/usr/bin/env bash
set -u
program=$1 scale=$2 shots=$3 walk=$4
"$program" >"$shots.log" 2>&1 &
pid=$!
width_of() { echo $(( ${1#* } / scale )); }  # of an "id width" line, in points
others() { e2e_windows $pid | grep -v "^$1 "; }  # the windows that show but this one
# Each step waits for the window it acts on, as a person would look before pressing.
# The first window at its size: the update window, or the wizard when nothing is asked.
first=
first_sized() { first=$(e2e_windows $pid | head -1); [[ -n $first && $(width_of "$first") =~ ^(420|1000)$ ]]; }
e2e_until first_sized
printf 'first=%s ' "$(width_of "$first")"
wizard=$first
if [ "$walk" = yes ]; then
  sleep 1  # the fade, for the picture
  import -window root "$shots-update.png"
  xdotool windowfocus --sync "${first%% *}" 2>/dev/null; xdotool key Escape
  # The update window has faded out and the wizard shows in its place.
  wizard_shows() { wizard=$(others "${first%% *}" | head -1); [ -n "$wizard" ] && ! e2e_viewable "${first%% *}"; }
  e2e_until wizard_shows
fi
printf 'wizard=%s ' "$(width_of "$wizard")"
if [ "$walk" = yes ]; then
  id=${wizard%% *}
  eval "$(xdotool getwindowgeometry --shell "$id")"
  # The menu's first title, just right of the lights; then its first item, About.
  xdotool mousemove $((X + 95 * scale)) $((Y + 10 * scale)) click 1
  menu=
  menu_shows() { menu=$(others "$id" | head -1); [ -n "$menu" ]; }
  e2e_until menu_shows
  sleep 0.3  # the menu's items drawn, for the picture
  import -window root "$shots-menu.png"
  xdotool key Down Return
  about=
  about_shows() { about=$(others "$id" | grep -v "^${menu%% *} " | head -1); [ -n "$about" ] && ! e2e_viewable "${menu%% *}"; }
  e2e_until about_shows
  sleep 1  # the fade, for the picture
  printf 'about=%s' "$(width_of "$about")"
  import -window root "$shots-about.png"
  xdotool windowfocus --sync "${about%% *}" 2>/dev/null; xdotool key Escape
  e2e_until eval '! e2e_viewable "${about%% *}"'
fi
echo
kill -TERM $pid
wait $pid
echo "exit=$?"
SH
for scale in 1 2; do
  export XDG_CONFIG_HOME=$work/config-$scale
  before=$(requests)
  line=$(QT_SCALE_FACTOR=$scale e2e_x -s "-screen 0 2400x1600x24" timeout 120 \
           bash "$work/start.sh" "$work/install/bin/quorin" $scale "$out/start-$scale" yes)
  echo "scale $scale, first start: $line"
  [[ $line == *"first=420 wizard=1000 about=360"* ]] || fail "scale $scale: not update window, wizard, About: $line"
  [[ $line == *"exit=0"* ]] || fail "scale $scale: the first start did not end with 0"
  [ "$(requests)" -gt "$before" ] || fail "scale $scale: the server was never asked"
  grep -qs "Participate=true" "$XDG_CONFIG_HOME/Quorin/Quorin.conf" || fail "scale $scale: Participate was not set"
  before=$(requests)
  line=$(QT_SCALE_FACTOR=$scale e2e_x -s "-screen 0 2400x1600x24" timeout 120 \
           bash "$work/start.sh" "$work/install/bin/quorin" $scale "$out/again-$scale" no)
  echo "scale $scale, second start: $line"
  [[ $line == *"first=1000 wizard=1000"* ]] || fail "scale $scale: the second start did not open the wizard at once: $line"
  [ "$(requests)" -eq "$before" ] || fail "scale $scale: the second start within the week asked the server"
done
for picture in start-1-update start-1-about start-2-update start-2-about start-1-menu; do
  [ -s "$out/$picture.png" ] || fail "no picture $picture"
done
[ $failures -eq 0 ] && echo "the update check's starts passed"
exit $((failures > 0))
