#pragma once

#include <QComboBox>
#include <QString>
#include <QVariant>

// Drop-down lists that keep their entries sorted without regard to case, each entry carrying one
// data value, and that are searched by whole text.
namespace skylark::ui {

// Empties the list and adds the blank entry (text "", data 0), which sorts first.
void ResetWithBlank(QComboBox& list);

// Adds an entry at its place in case-insensitive order, after any entries that compare equal,
// so that equal texts keep the order they were added in.
void AddSorted(QComboBox& list, const QString& text, quintptr data);

// Selects the entry whose whole text equals `text` ignoring case: the search starts at the
// second entry and tests the blank first entry last; no match selects the first entry. An empty
// list stays as it is.
void SelectByText(QComboBox& list, const QString& text);

// The selected entry's data; 0 when nothing is selected.
quintptr SelectedData(const QComboBox& list);

}  // namespace skylark::ui
