#pragma once
// What a changed cell of the detail grid does to its line: the cell checks, then the action
// of its column (product lookup, code registration, line amount, limits). Pure: the product
// lookup is passed in, and the caller writes the line, registers the code and recomputes.
#include "invoice/CellChecks.h"
#include "invoice/InvoiceData.h"
#include "invoice/PickLists.h"

#include <QString>

#include <functional>

namespace entry {

struct Rules {
    QString 印刷用紙;
    QString 行端数;
    QString packSizeKind; // the code kind of pack sizes: the pack-size column title
    bool decimals = true; // false: quantities and unit prices are whole numbers (小数 "使用しない")
};

enum class Outcome {
    Accepted,
    RefusedB5,         // nothing typed is taken; the line's 単価 and 単位 are emptied
    RefusedNotNumeric, // nothing changes
    RefusedSubtotal,   // nothing changes; the user is told to delete the line instead
    RefusedAmountLimit, // nothing changes; the quantity or price would make the amount too large
    RefusedFraction,    // nothing changes; decimals are not in use and the number has some
    RefusedRounding,    // nothing changes; the line rounding setting names no rule
};

struct CellResult {
    Outcome outcome = Outcome::Accepted;
    DetailLine line;           // the line to write (Accepted and RefusedB5)
    bool keepColumn = false;   // a number outside its limits was emptied: stay in the column
    bool amountEdited = false; // a quantity, unit price or amount changed (InvoiceTab::lineAmountEdited)
    QString codeKind;          // when set: register line's value under this code kind
    QString codeName;

    bool writes() const { return outcome == Outcome::Accepted || outcome == Outcome::RefusedB5; }
};

using ProductLookup = std::function<picklists::Product(const QString &name)>;

// The typed text of one cell of line.
CellResult editCell(const DetailLine &line, int column, const QString &typed, const Rules &rules,
                    const ProductLookup &seek商品);

// A row of the product drop-down picked for line: it passes the checks of the name cell and
// sets 品名, 入数, 単位, 単価, 非課税, ふりがな and 軽減税率 from the pick.
struct PickedProduct {
    QString 品名;
    QString 入数;
    QString 単位;
    std::optional<double> 単価;
    bool 非課税 = false;
    QString ふりがな;
    bool 軽減税率 = false;
};
CellResult pickProduct(const DetailLine &line, const PickedProduct &product, const Rules &rules);

// A product chosen in the product window for line: only what the product has is put in (an
// empty name, unit or reading and a missing or zero price leave the line's own), the pack
// size never. A line with a quantity gets its amount from the new price, as if the price had
// been typed, so that amount, quantity and price never disagree.
CellResult chooseProduct(const DetailLine &line, const PickedProduct &product, const Rules &rules);

} // namespace entry
