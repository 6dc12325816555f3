// The billing road: the billing runs and their browse, the prices of a run and the
// creation of a run's charge lines, invoices and ledger postings. Everything runs on the
// thread that the menu item "Obračuni" started; the chosen run travels in that thread's
// OBRAC record buffer and the unit totals in the process-wide totals.
#pragma once

#include <span>
#include <string>

#include "platform/ui/resource.h"

namespace kvadrin {

// ---- Procedures ------------------------------------------------------------------------

// The billing-run browse, from the menu (CallRequest 0).
void BrowseObracuni();
void CheckBrowseObracuniFields();  // at start-up: the browse shows only fields its tables have
// The billing-run form, called by the browse with request 1, 2, 3 or 6.
void UpdateOBRAC();
// The price rows of the run in the OBRAC buffer, with the command that creates its charges.
void BrowseCene();
void CheckBrowseCeneFields();  // at start-up: the browse shows only fields its tables have
// The price form, called by the price browse with request 1, 2, 3 or 6.
void UpdateCENE();
// Creates the charges of the run in the OBRAC buffer, showing its progress window; a
// failure is told to the user and leaves the run's rows as they were.
void KreirajZaduzenja();

// Makes the frame's menu item "Obračuni" start the billing-run browse.
void RegisterBillingMenu();

// The columns of a list of billing runs, each shown in its row's colours (locked runs in
// grey): the runs browse and the choice of a run for its invoices show the same list.
std::span<const rt::ui::ListColumn> RunListColumns();
const rt::ui::WindowDef& BrowseObracuniWindow();
const rt::ui::WindowDef& UpdateObracWindow();
const rt::ui::WindowDef& BrowseCeneWindow();
const rt::ui::WindowDef& UpdateCeneWindow();
const rt::ui::WindowDef& KreirajZaduzenjaWindow();

// ---- The computations the windows call ---------------------------------------------------

// Runs a charge creation can be made for: the two-digit texts it writes (voucher number,
// posting numbers, the deletions) carry 1 to 99 only.
constexpr int kFirstRun = 1;
constexpr int kLastRun = 99;

// "PARAMETRI ZA OBRAČUN": the process-wide unit totals summed afresh over every unit
// (KVADRIN open on the thread). 0, or the error code of a failed read, the totals then
// being incomplete.
int SumUnitTotals();

// The next free run number: the highest run plus 1 (1 for the first), read through the
// carrier table AINC, which must be open on the thread. 0 when it cannot be had, with the
// reason (CP1250) in `why`: the SELECT or its read failed, or the number would not fit
// the run's two digits.
int NextRunNumber(std::string& why);

// The price computation of a price row: CEN:CENA := CEN:UKUPNO / CEN:KOLICINA, and the
// price of the service's method (OBA:NACIN, OBA:KOLONA) divided by its unit total into
// its own CENE field and into `price` (left alone for a method that is none of the five).
// A zero divisor gives 0, never an infinite or undefined value; the answer then names
// the totals that are zero (CP1250, "" when none). Water per person falls back to the
// plain price when no unit is without a water meter.
std::string ComputePrices(double& price);

// What charge creation shows while it works: four bars, 1 to 4.
class ChargeProgress {
public:
    virtual ~ChargeProgress() = default;
    // Bars 1 to 3 run from 0 to the number of units; bar 4 from 0 to 100.
    virtual void Start(long units) {}
    virtual void Advance(int bar) {}
};

struct ChargeOutcome {
    bool created = false;
    std::string message;  // why nothing was created (CP1250); "" when created
    long lines = 0, invoices = 0, postings = 0;
};

// The creation itself, without window or message: for the run in the OBRAC buffer, the
// run's old invoices, charge lines, postings and voucher header are replaced by new ones,
// all in one transaction of the firm database, so that either all of it stays or none.
// Opens the tables it needs on the thread and closes them again.
ChargeOutcome CreateCharges(ChargeProgress& progress);

}  // namespace kvadrin
