#include "ui/sorted_list.h"

#include <QAbstractItemView>

namespace skylark::ui {

void ResetWithBlank(QComboBox& list) {
  list.clear();
  list.addItem(QString(), QVariant::fromValue<quintptr>(0));
}

void AddSorted(QComboBox& list, const QString& text, quintptr data) {
  int low = 0;
  int high = list.count();
  while (low < high) {
    const int middle = (low + high) / 2;
    if (QString::compare(list.itemText(middle), text, Qt::CaseInsensitive) <= 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  list.insertItem(low, text, QVariant::fromValue(data));
  // Long country and site names: the open list is as wide as its widest entry.
  list.view()->setMinimumWidth(list.view()->sizeHintForColumn(0) + 24);
}

void SelectByText(QComboBox& list, const QString& text) {
  const int count = list.count();
  if (count == 0) return;
  for (int i = 1; i <= count; ++i) {
    const int index = i % count;
    if (QString::compare(list.itemText(index), text, Qt::CaseInsensitive) == 0) {
      list.setCurrentIndex(index);
      return;
    }
  }
  list.setCurrentIndex(0);
}

quintptr SelectedData(const QComboBox& list) {
  if (list.currentIndex() < 0) return 0;
  return list.currentData().value<quintptr>();
}

}  // namespace skylark::ui
