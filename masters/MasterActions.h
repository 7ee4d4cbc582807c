#pragma once
// What the customer and the product window do alike: read the master into the grid, register
// the edit copy over the master, and delete the ticked rows, each with its question, progress
// notice and plain report of what was not done. And what every master window does: ask before
// closing over changes not registered, and open inside the screen.
#include "masters/LinkImport.h"
#include "masters/MasterCopy.h"

#include <functional>

class MasterGrid;
class ProgressPanel;
class QWidget;

namespace masters {

struct WindowTexts {
    QString item; // "顧客情報": named in the questions
    QString noun; // "顧客": named in the failure notices
};

// Why a window's copy was not registered: another PC wrote to the master (item: "顧客情報")
// since the copy was read.
QString changedElsewhereText(const QString &item);

// Empties the edit copy and fills it from the master in that order, shown in the grid.
bool readIntoGrid(MasterGrid *grid, ProgressPanel *notice, const MasterTable &table, const QStringList &orderBy,
                  const WindowTexts &texts);

// Asks, then replaces the master by the edit copy. True when the master was replaced; on a
// refusal or a failure the user is told and the edit copy stays on screen.
bool registerGrid(MasterGrid *grid, ProgressPanel *notice, const MasterTable &table, const WindowTexts &texts);

// Empties the edit copy without asking and shows it; the master is untouched.
void clearGrid(MasterGrid *grid, const MasterTable &table);

// Asks (No by default), then deletes the ticked rows from the master and the edit copy.
// True when something was deleted.
bool deleteTickedRows(MasterGrid *grid, const MasterTable &table, const WindowTexts &texts);

// Runs an import into the edit copy with the progress notice and, when it takes a while, a
// progress dialog whose "中止" cancels it; meanwhile no other window of the program takes
// input (the dialog is application-modal, and input waits until it shows). Then shows the
// copy and tells what was not done or what the file lacked. item names the import in the
// notices ("顧客リンク参照"). True when the copy was replaced.
using ImportRun = std::function<linkimport::Outcome(const linkfile::Progress &progress)>;
bool importIntoGrid(MasterGrid *grid, ProgressPanel *notice, const QString &item, const ImportRun &run);

// With changes not registered brings the window to the front and asks whether to close it all
// the same (No by default). True when the window may close.
bool mayClose(QWidget *window, bool unregisteredChanges);

// The names of a duplicate notice: the first ten, and how many more.
QString nameList(const QStringList &names);

} // namespace masters
