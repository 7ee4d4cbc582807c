#pragma once
// Turning Japan Post's rows into addresses a user can write on an envelope.
#include "postal/KenAllSource.h"

#include <vector>

namespace yubin {

// Joins the rows of a town split over several lines, and rewrites the town texts that are
// notes rather than names (以下に掲載がない場合, （次のビルを除く）, …の次に番地がくる場合,
// <city>一円). Floors and other notes in brackets stay: they tell towns of one code apart.
std::vector<KenAllRow> cleanKenAll(const std::vector<KenAllRow> &rows);

// The town text and its reading of one joined row, cleaned as above.
void cleanTown(KenAllRow &row);

} // namespace yubin
