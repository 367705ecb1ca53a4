#!/usr/bin/env bash
# Installs the reader into a temporary prefix and runs the installed program as an ordinary user,
# whose program folder is not writable: its settings must go to ~/.config/vellumtide/.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
root=$(mktemp -d /tmp/vellumtide-install-XXXXXX)
trap 'rm -rf "$root"' EXIT
chmod 755 "$root"
prefix=$root/usr
cmake --install "$build" --prefix "$prefix" >/dev/null

fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=$((fail + 1)); fi; }
check "the program is installed" '[ -x "$prefix/bin/vellumtide" ]'
desktop=$prefix/share/applications/vellumtide.desktop
check "the desktop file is installed" '[ -f "$desktop" ]'
check "the desktop file names the program" 'grep -qx "Name=Vellumtide" "$desktop" && grep -qx "Exec=vellumtide %f" "$desktop"'
check "the desktop file has its icon and categories" 'grep -qx "Icon=vellumtide" "$desktop" && grep -q "^Categories=Office;Viewer;Accessibility;" "$desktop"'
check "the desktop file opens text and e-books" 'grep -q "^MimeType=text/plain;application/epub+zip;" "$desktop"'
check "the icons are installed" '(for i in scalable/apps/vellumtide.svg {48x48,128x128,256x256}/apps/vellumtide.png; do
  [ -s "$prefix/share/icons/hicolor/$i" ] || exit 1; done)'
check "the metainfo and man page are installed" '[ -s "$prefix/share/metainfo/app.vellumtide.vellumtide.metainfo.xml" ] &&
  gzip -t "$prefix/share/man/man1/vellumtide.1.gz"'

# Run it as "nobody": the installed folder belongs to root and cannot be written.
home=$root/home
mkdir -p "$home"
chown 65534:65534 "$home"
printf '[All]\r\nUserBarDelay=0\r\nsBeepOn=0\r\nFontSize=40\r\n' > "$root/seed.ini"
mkdir -p "$home/.config/vellumtide"
cp "$root/seed.ini" "$home/.config/vellumtide/vellumtide.ini"
chown -R 65534:65534 "$home"
setpriv --reuid=65534 --regid=65534 --clear-groups \
  env -i HOME="$home" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$home" PATH=/usr/bin:/bin \
  "$prefix/bin/vellumtide" >/dev/null 2>&1 &
pid=$!
sleep 3
kill -TERM "$pid" 2>/dev/null || true
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
wait "$pid" 2>/dev/null || true
saved=$home/.config/vellumtide/vellumtide.ini
check "the settings were saved in the user's config folder" '[ -f "$saved" ] && grep -q "^Left=" "$saved"'
check "the stored values were read from there" 'grep -q "^FontSize= 40" "$saved"'
check "nothing was written beside the installed program" '[ ! -e "$prefix/bin/vellumtide.ini" ]'

passed=$(( 9 - fail ))
echo "$passed passed, $fail failed"
[ "$fail" -eq 0 ]
