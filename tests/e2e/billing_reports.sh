#!/usr/bin/env bash
# The billing road on the real program, on a virtual X display with a window manager, as
# a person walks it: the demo firm's login; "Obračuni" with the demo's run, its price list
# and "KREIRAJ ZADUŽENJA PO OBRAČUNU" (the demo's charges removed first); "Izrada faktura"
# with the run's invoices; the highlighted invoice printed to PDF ("&FAKTURA", F2) and the
# whole run's invoices ("&GRUPA FAKTURA", F3), each through the output choice, its preview
# and the PDF file name. The PDFs are read with pdftotext and their payment QR codes, cut
# out of the page images, with zbarimg: every page's code holds that page's invoice. All
# of it while another user's folder (as root: owned by another uid, open to all, holding a
# stranger's qr.png) stands where the user's own temporary folder would be: it is never
# written through. Then the firm's account is made one that fails mod 97 in the firms
# list at the next login: the invoice tells it once and prints its slip without a code.
# Screenshots go to the output folder.
#   billing_reports.sh BUILD_DIR OUTPUT_DIR
# Runs itself under xvfb-run when no display is set.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
on_display "$@"
start_window_manager
lay_out_demo
YY="${YEAR:2:2}"
PROGRAM="$PWD"
firm_sql "DELETE FROM SFAKT; DELETE FROM SPROM; DELETE FROM SKPROMET; DELETE FROM NALOZIS;"
# The temporary folder, with another user's folder in the way of the user's own.
export TMPDIR="$ROOT/tmp"
unset XDG_RUNTIME_DIR
mkdir -p "$TMPDIR"
chmod 1777 "$TMPDIR"
IN_THE_WAY="$TMPDIR/kvadrin-$(id -u)"
mkdir -m 777 "$IN_THE_WAY"
echo "a stranger's image" >"$IN_THE_WAY/qr.png"
if [ "$(id -u)" = 0 ]; then chown 54321:54321 "$IN_THE_WAY"; fi
start_program
connect_to_frame "^KVADRIN 1\.0\.2 - Stambena zajednica Demo \($YEAR\)"
wait_for "the splash to close" visible 1
shot reports_frame.png

# A command of the menu bar, reached from the File menu by `rights` presses of Right:
# its procedure on a thread of its own, its window drawn in the frame.
menu_bar() {
  local before
  before="$(threads)"
  mark "$FRAME"
  xdotool windowactivate --sync "$FRAME" key alt+f
  wait_for "the File menu" visible 2
  xdotool key --delay 200 $(printf 'Right %.0s' $(seq 1 "$1")) Return
  wait_for "the thread of the menu bar's command $1" more_threads "$before"
  wait_for "the window of the menu bar's command $1" redrawn "$FRAME"
}
charges() { [ "$(firm_sql "SELECT COUNT(*) FROM SFAKT WHERE OBRACUN=1;")" -gt 0 ]; }
# Obračuni: the demo's run selected; Tab reaches the one visible command (its price
# list), whose command creates the charges and closes it.
menu_bar 3
shot reports_runs.png
mark "$FRAME"
xdotool key Tab space
wait_for "the price list" redrawn "$FRAME"
mark "$FRAME"
xdotool key Tab space
wait_for "the charges" charges
wait_for "the price list to close" redrawn "$FRAME"
# Izrada faktura: the run chosen; its invoices.
menu_bar 4
mark "$FRAME"
xdotool key Tab space
wait_for "the invoices" redrawn "$FRAME"
shot reports_invoices.png

# A report through its output choice (PDF is the second entry), its preview (Ctrl+P
# prints) and the PDF's file name (the one proposed, in the program's folder).
print_to_pdf() {
  local keys="$1" pdf="$2" preview
  xdotool key "$keys"
  wait_for "the output choice" window_titled '^Select an Output$' >/dev/null
  shot_titled '^Select an Output$' "reports_output_$pdf.png"
  key_to '^Select an Output$' Down alt+o
  wait_for "the preview" window_titled '^Print Preview' >/dev/null
  wait_for "the preview drawn" still_titled '^Print Preview'
  shot_titled '^Print Preview' "reports_preview_$pdf.png"
  preview="$(found_titled '^Print Preview')"
  xdotool windowactivate --sync "$preview" key ctrl+p
  wait_for "the file name" window_titled '^Save as PDF$' >/dev/null
  key_to '^Save as PDF$' alt+o
  wait_for "$pdf" test -s "$PROGRAM/$pdf"
  wait_for "the preview to close" no_window_titled '^Print Preview'
  wait_for "the frame to have the keyboard" active "$FRAME"
}
print_to_pdf F2 IspisFakture.pdf
print_to_pdf F3 IspisFakturaM3.pdf

# The payment QR code of a page of a PDF: the page at 300 dpi, the code cut out of the
# payment form (band at 6, 200 mm; the image at 80, 40 mm for the one invoice and at
# 80, 38 mm in the group report).
qr_of_page() {
  local pdf="$1" page="$2" top="$3"
  pdftoppm -png -r 300 -f "$page" -l "$page" -singlefile "$pdf" "$ROOT/page"
  convert "$ROOT/page.png" -crop "425x425+$((83 * 300 * 10 / 254))+$((top * 300 * 10 / 254))" +repage "$ROOT/qr.png"
  zbarimg --raw -q -Sbinary "$ROOT/qr.png" || true
}

# The first invoice: its number, and its code holding the account, number and amount.
one="$(pdftotext -layout IspisFakture.pdf -)"
grep -q "RAČUN BROJ: 00001-01-$YY" <<<"$one" || fail "the invoice's number: $one"
code="$(qr_of_page IspisFakture.pdf 1 237)"
case "$code" in
  "K:PR|V:01|C:1|R:160000000049867291|N:Stambena zajednica Demo 21000 Novi Sad|I:RSD"*"|SF:289|RO:0000001-01-$YY") ;;
  *) fail "the invoice's QR code: $code" ;;
esac

# The group: a page per invoice of the run, in the order of the customer codes, each
# page's code holding that page's invoice number and amount.
pages="$(pdfinfo IspisFakturaM3.pdf | awk '/^Pages:/ {print $2}')"
invoices="$(firm_sql "SELECT COUNT(*) FROM SFAKT WHERE OBRACUN=1;")"
[ "$pages" = "$invoices" ] && [ "$pages" -gt 1 ] || fail "the group's pages: $pages for $invoices invoices"
for page in $(seq 1 "$pages"); do
  text="$(pdftotext -layout -f "$page" -l "$page" IspisFakturaM3.pdf -)"
  number="$(grep -o "RAČUN BROJ: *[0-9]\{5\}-01-$YY" <<<"$text" | grep -o "[0-9]\{5\}-01-$YY")"
  [ "$number" = "$(printf '%05d' "$page")-01-$YY" ] || fail "page $page shows the invoice $number"
  amount="$(firm_sql "SELECT MAX(UKUPNO + DUG, 0) FROM SFAKT WHERE OBRACUN=1 AND SHKORISNIKA='${number:0:5}';")"
  money="$(printf '%.2f' "$amount" | tr . ,)"
  code="$(qr_of_page IspisFakturaM3.pdf "$page" 235)"
  [ "$code" = "K:PR|V:01|C:1|R:160000000049867291|N:Stambena zajednica Demo 21000 Novi Sad|I:RSD$money|SF:289|RO:00$number" ] ||
    fail "page $page's QR code: $code"
  grep -q "NALOG ZA UPLATU" <<<"$text" || fail "page $page has no payment form"
done

# File > Exit ends the program.
exit_program

# The other user's folder as it was: nothing written through it.
[ "$(ls -A "$IN_THE_WAY")" = "qr.png" ] && [ "$(cat "$IN_THE_WAY/qr.png")" = "a stranger's image" ] ||
  fail "the folder in the way was written: $(ls -la "$IN_THE_WAY")"

# The next login: the firm's account changed in the firms list (an unknown firm name opens
# it; Change, the second tab, the fifth line) to one that fails mod 97.
start_program
wait_for "the login window" window_titled '^SQL Azure$' >/dev/null
wait_for "the login drawn" still_titled '^SQL Azure$'
LOGIN="$(found_titled '^SQL Azure$')"
xdotool windowactivate --sync "$LOGIN" key ctrl+a
xdotool type --delay 50 "nepoznata"
xdotool key Tab
wait_for "the firms list" window_titled '^REGISTROVANI KORISNICI' >/dev/null
wait_for "the firms list drawn" still_titled '^REGISTROVANI KORISNICI'
shot reports_firms_list.png
# A click at a point of a window by dialog units (the window `du_w` x `du_h` of them),
# then the window's answer drawn. xdotool places the window a title bar's height (21
# pixels) lower than it is drawn under openbox.
click_at() {
  local w="$1" du_w="$2" du_h="$3" x="$4" y="$5"
  eval "$(xdotool getwindowgeometry --shell "$w")"
  xdotool windowactivate --sync "$w" mousemove $((X + x * WIDTH / du_w)) $((Y + y * HEIGHT / du_h - 21)) click 1
  wait_for "the click drawn" still "$w"
}
# The tools button (bottom left, 8, 300 of 628 x 320) shows the list's Change.
click_at "$(window_titled '^REGISTROVANI KORISNICI')" 628 320 17 308
xdotool key alt+c
wait_for "the firm's form" window_titled '^Record Will Be Changed' >/dev/null
wait_for "the firm's form drawn" still_titled '^Record Will Be Changed'
# The second tab, and the fifth of its lines (the form is 364 x 285).
FORM="$(found_titled '^Record Will Be Changed')"
click_at "$FORM" 364 285 92 13
click_at "$FORM" 364 285 140 95
xdotool key ctrl+a
xdotool type --delay 50 "160-0000000498672-90"
shot reports_firm_account.png
key_to '^Record Will Be Changed' alt+o
wait_for "the firms list drawn" still_titled '^REGISTROVANI KORISNICI'
# The firm chosen: its row double-clicked (the first row, at 53, 39).
shot reports_firms_changed.png
click_at "$(window_titled '^REGISTROVANI KORISNICI')" 628 320 53 39
xdotool click --repeat 2 --delay 80 1
wait_for "the login again" window_titled '^SQL Azure$' >/dev/null
wait_for "the login drawn" still_titled '^SQL Azure$'
shot reports_login_again.png
connect_to_frame "$CAPTION"
wait_for "the splash to close" visible 1
# The invoice: one message naming the account, then the slip without a code.
menu_bar 4
mark "$FRAME"
xdotool key Tab space
wait_for "the invoices" redrawn "$FRAME"
rm -f "$PROGRAM/IspisFakture.pdf"
xdotool key F2
wait_for "the message of the account" window_titled '^QR kod$' >/dev/null
shot reports_wrong_account.png
key_to '^QR kod$' Return
wait_for "the output choice" window_titled '^Select an Output$' >/dev/null
key_to '^Select an Output$' Down alt+o
wait_for "the preview" window_titled '^Print Preview' >/dev/null
wait_for "the preview drawn" still_titled '^Print Preview'
shot_titled '^Print Preview' reports_preview_wrong_account.png
xdotool windowactivate --sync "$(window_titled '^Print Preview')" key ctrl+p
wait_for "the file name" window_titled '^Save as PDF$' >/dev/null
key_to '^Save as PDF$' alt+o
wait_for "the PDF" test -s "$PROGRAM/IspisFakture.pdf"
wait_for "the preview to close" no_window_titled '^Print Preview'
wait_for "the frame to have the keyboard" active "$FRAME"
no_window_titled '^QR kod$' || fail "a second message after the first"
one="$(pdftotext -layout IspisFakture.pdf -)"
grep -q "NALOG ZA UPLATU" <<<"$one" || fail "no payment form: $one"
[ "$(grep -o "160-0000000498672-90" <<<"$one" | wc -l)" -ge 3 ] || fail "the account on the slip: $one"
code="$(qr_of_page IspisFakture.pdf 1 237)"
[ -z "$code" ] || fail "a QR code with the wrong account: $code"
exit_program
echo "ok: the invoice and the group of $pages invoices printed, every QR code its page's, the folder in the way untouched; a wrong account told once, its slip without a code"
