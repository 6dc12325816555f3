#!/usr/bin/env bash
# The real program as a person meets it, on a virtual X display with a window manager
# (openbox): the demo firm's login, the services register from the menu; a new service's
# code typed as the form's first keystrokes and the changed form cancelled after its
# question; deleting a service after "Confirm Delete" (the Delete key on the list, which
# must have the keyboard back after the form) refused on screen since prices name it; a
# duplicate code refused with the message on screen; a new service saved and deleted after
# "Confirm Delete"; a new unit whose number is the units form's first keystrokes, saved; Exit.
# Screenshots of each step go to the output folder; the tables are read with sqlite3.
#   demo_user.sh BUILD_DIR OUTPUT_DIR
# Runs itself under xvfb-run when no display is set.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
on_display "$@"
start_window_manager

lay_out_demo
start_program

# A failed wait ends the script as a failure does.
wait_failed() { fail "$1"; }
# The codes of a table's rows, one line (the store's collation loaded).
codes() { firm_sql "SELECT $2 FROM $1" | tr '\n' ' '; }

connect_to_frame
wait_for "the splash to close" visible 1
frame_origin


# The services: a new code typed at once lands in the form's first entry; Cancel by its
# hot key asks, and Yes discards it.
open_register 2
open_form "the services form"
xdotool type --delay 80 "9X"
shot demo_user_first_keys.png
xdotool key alt+c
wait_for "the cancel question" window_titled '^Changes will be lost!$' >/dev/null
shot demo_user_cancel_question.png
mark "$FRAME"
answer_yes '^Changes will be lost!$'
wait_for "the form to close" redrawn "$FRAME"
case " $(codes OBAVEZE SIFRA)" in *" 9X "*) fail "the cancelled service was stored";; esac

# The list has the keyboard back: Down, then Delete asks; Yes is refused on the screen,
# since the run's prices name service 2.
xdotool key Down Delete
wait_for "the delete question" window_titled '^Confirm Delete$' >/dev/null
shot demo_user_confirm_delete.png
answer_yes '^Confirm Delete$'
wait_for "the restrict refusal" window_titled '^Referential Integrity Delete Error$' >/dev/null
shot demo_user_restrict_refused.png
key_to '^Referential Integrity Delete Error$' Return || fail "the refusal was not closed"
case " $(codes OBAVEZE SIFRA)" in *" 2 "*) ;; *) fail "service 2 was deleted: $(codes OBAVEZE SIFRA)";; esac

# A second service with code 3 is refused with the message on the screen.
open_form "the services form"
xdotool type --delay 80 "3"
xdotool key Tab
xdotool type --delay 50 "Dupla"
xdotool key alt+o
wait_for "the duplicate key message" window_titled '^Duplicate Key Error$' >/dev/null
shot demo_user_duplicate_key.png
key_to '^Duplicate Key Error$' Return || fail "the message was not closed"
xdotool key alt+c
wait_for "the cancel question" window_titled '^Changes will be lost!$' >/dev/null
mark "$FRAME"
answer_yes '^Changes will be lost!$'
wait_for "the form to close" redrawn "$FRAME"
case " $(codes OBAVEZE NAZIV)" in *Dupla*) fail "the duplicate service was stored";; esac

# A new service 9 is saved, stays the list's row, and Delete with Yes deletes it.
open_form "the services form"
xdotool type --delay 80 "9"
xdotool key Tab
xdotool type --delay 50 "Proba"
mark "$FRAME"
xdotool key alt+o
wait_for "service 9 stored" eval 'case " $(codes OBAVEZE SIFRA)" in *" 9 "*) true;; *) false;; esac'
wait_for "the form to close" redrawn "$FRAME"
shot demo_user_added.png
xdotool key Delete
wait_for "the delete question" window_titled '^Confirm Delete$' >/dev/null
mark "$FRAME"
answer_yes '^Confirm Delete$'
wait_for "service 9 deleted" eval 'case " $(codes OBAVEZE SIFRA)" in *" 9 "*) false;; *) true;; esac'
wait_for "the list drawn anew" redrawn "$FRAME"
shot demo_user_deleted.png

# The units: the new unit's number is the form's first keystrokes; its owner 1 becomes
# 00001, and OK saves it.
open_register 1
open_form "the units form"
xdotool type --delay 80 "77"
shot demo_user_unit_number.png
xdotool key Tab Tab  # past the kind of unit to the owner's code
xdotool type --delay 80 "1"
mark "$FRAME"
xdotool key Tab alt+o
wait_for "unit 77 stored" eval 'case " $(codes KVADRIN BROJ)" in *" 77 "*) true;; *) false;; esac'
wait_for "the form to close" redrawn "$FRAME"
shot demo_user_unit_saved.png

# File > Exit ends the program.
exit_program
echo "ok"
