#!/usr/bin/env bash
# The real program on a virtual X display, used as a person would: the demo firm is laid
# out, the program starts in its program folder, the login is answered with Connect, and
# the frame must come up with the demo firm's caption; the services and the units browse
# are then opened from the menu, and the billing road is walked: "Obračuni", "PARAMETRI ZA
# OBRAČUN" on the demo's run, "KREIRAJ ZADUŽENJA PO OBRAČUNU" (the demo's charges were
# removed first, so the invoices in the tables afterwards are the ones the walk made).
# The invoices of the run are then opened from the menu ("Izrada faktura") with their
# totals, and the first invoice's items; closing them at Exit posts that invoice anew.
# Screenshots of the login and of the frame go to the output folder.
#   demo_frame.sh BUILD_DIR OUTPUT_DIR
# Runs itself under xvfb-run when no display is set.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
on_display "$@"
lay_out_demo
firm_sql "DELETE FROM SFAKT; DELETE FROM SPROM; DELETE FROM SKPROMET; DELETE FROM NALOZIS;"
start_program
charges() { [ "$(firm_sql "SELECT COUNT(*) FROM SFAKT WHERE OBRACUN=1;")" -gt 0 ]; }

wait_for "the login window" window_titled '^SQL Azure$' >/dev/null
wait_for "the login window drawn" still_titled '^SQL Azure$'
shot demo_login.png
# Connect by its hot key, to the login as the focused window.
connect_to_frame "^KVADRIN 1\.0\.2 - Stambena zajednica Demo \($YEAR\) {10}\(localdb\)\\\\demo - DEMO_$YEAR\$"
echo "frame: $(xdotool getwindowname "$FRAME")"
wait_for "the splash to close" visible 1
frame_origin

# Usluge: the services browse opens inside the frame with the demo's services; Kvadrin:
# the units browse with its totals beside it.
open_register 2
shot demo_frame_services.png
open_register 1
shot demo_frame_units.png

# Obračuni (on the menu bar): the runs, the demo's run selected. Tab reaches the one
# visible command; its price list opens, whose command creates the charges and closes it.
before="$(threads)"
mark "$FRAME"
xdotool mousemove $((X + 182)) $((Y + 8)) click 1
wait_for "the runs' thread" more_threads "$before"
wait_for "the runs" redrawn "$FRAME"
shot demo_frame_runs.png
mark "$FRAME"
xdotool key Tab space
wait_for "the price list" redrawn "$FRAME"
shot demo_frame_prices.png
mark "$FRAME"
xdotool key Tab space
wait_for "the charges" charges
wait_for "the price list to close" redrawn "$FRAME"
shot demo_frame_charged.png

# Izrada faktura (on the menu bar): the runs to choose from on a thread of their own, the
# demo's run selected; Tab reaches the command, which opens the run's invoices with their
# totals (the run's clause found, so no message). F5 opens the first invoice's items, and
# closing them posts that invoice anew.
before="$(threads)"
mark "$FRAME"
xdotool mousemove $((X + 262)) $((Y + 8)) click 1
wait_for "the invoice runs' thread" more_threads "$before"
wait_for "the invoice runs" redrawn "$FRAME"
shot demo_frame_invoice_runs.png
mark "$FRAME"
xdotool key Tab space
wait_for "the invoices" redrawn "$FRAME"
shot demo_frame_invoices.png
mark "$FRAME"
xdotool key Tab F5
wait_for "the invoice's items" redrawn "$FRAME"
shot demo_frame_invoice_items.png

# File > Exit closes the browses and the frame; each saves its placement as it closes, so
# a browse's section in the settings proves it was open.
xdotool key --window "$FRAME" alt+f
wait_for "the File menu" visible 2
xdotool key x
wait_for "the program to end at Exit" program_ended
wait "$PID" || true
PID=
grep -q '^\[BrowseObaveze\]' KVD.INI || { echo "the services browse did not open" >&2; cat KVD.INI >&2; exit 1; }
grep -q '^\[BrowseKvadrin\]' KVD.INI || { echo "the units browse did not open" >&2; cat KVD.INI >&2; exit 1; }
grep -q '^\[Main\]' KVD.INI || { echo "the frame did not save its placement" >&2; exit 1; }
grep -q '^\[BrowseObracuni\]' KVD.INI || { echo "the runs did not open" >&2; cat KVD.INI >&2; exit 1; }
grep -q '^\[BrowseCene\]' KVD.INI || { echo "the price list did not open" >&2; cat KVD.INI >&2; exit 1; }
for w in IzborZaFakture BrowseSFAKT BrowseSPROM; do
  grep -q "^\[$w\]" KVD.INI || { echo "$w did not open" >&2; cat KVD.INI >&2; exit 1; }
done
# The run's charges as the walk created them.
counts="$(firm_sql "SELECT (SELECT COUNT(*) FROM SPROM WHERE OBRACUN=1) || ' ' || (SELECT COUNT(*) FROM SFAKT WHERE OBRACUN=1) || ' ' || (SELECT COUNT(*) FROM SKPROMET WHERE NALOG='KVD-01') || ' ' || (SELECT COUNT(*) FROM NALOZIS WHERE BROJ='KVD-01');")"
[ "$counts" = "25 5 5 1" ] || { echo "lines, invoices, postings, header: $counts (25 5 5 1 expected)" >&2; exit 1; }
total="$(firm_sql "SELECT UKUPNO FROM SFAKT WHERE OBRACUN=1 AND SHKORISNIKA='00001';")"
[ "$total" = "11320.0" ] || { echo "the first invoice's total: $total" >&2; exit 1; }
# The items window closed with the program: the first invoice posted anew, its posting
# numbered by the day and the time of day, the others as the creation numbered them.
recnos="$(firm_sql "SELECT ANALITIKA || ':' || IZNOS || ':' || LENGTH(RECNO) || ':' || (RECNO GLOB 'KVD*') FROM SKPROMET WHERE NALOG='KVD-01' ORDER BY ANALITIKA;" | tr '\n' ' ')"
case "$recnos" in
  "00001:11320.0:12:0 00002:"*":10:1 00003:"*":10:1 00004:"*":10:1 00005:"*":10:1 ") ;;
  *) echo "the run's postings after the items closed: $recnos" >&2; exit 1 ;;
esac
echo "ok"
