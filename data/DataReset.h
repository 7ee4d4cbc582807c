#pragma once
// Deleting all user data of the data database: customers, products, stored invoices and the
// settings row with the invoice counter, and the archive of issued invoices only when asked
// to. The code tables keep their slots but lose their entries. The work database is not
// touched.

// Runs the deletions in one transaction: either all of them happen or none does.
// False when anything failed (then nothing was deleted).
bool resetAllData(bool archiveToo = false);
