// CVexaListView: the base of the program's report-style lists. A view
// made with a name keeps its font in the settings section "<name> View
// Font", its text colour in "<name> View Text Colour" and the column widths
// the user drags in "<name> View Layout"; its columns come from descriptors
// and follow the view's width as it really is; a click on a column heading
// sorts the rows by that column (see app/list_sorting.h), the other way
// round at the next click; the "&Font" command chooses font and colour.
// CVexaTableView is such a list with nothing of its own.
#pragma once

#include <QColor>
#include <QDialog>
#include <QIcon>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "app/list_sorting.h"
#include "config/display_settings.h"

class QFontDialog;
class QTreeView;

namespace sorvi {

// Keeps a list's columns at their shares of the width the list really has,
// laying them out again whenever that width changes (the first showing
// included). A column the user drags takes the share of its new width, and
// the layout is stored under the settings section (when there is one) for
// the lists of the kind opened later.
class CColumnLayout : public QObject {
  Q_OBJECT
 public:
  CColumnLayout(QTreeView* list, const std::string& section);

  // The columns' shares of the width; a stored layout of as many columns
  // takes their place. Lays the columns out at once.
  void set_shares(std::vector<double> shares);
  const std::vector<double>& shares() const { return shares_; }
  void lay_out();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void column_resized(int column, int width);

  QTreeView* list_;
  QWidget* viewport_;  // kept: the list may be half destroyed when its viewport goes
  std::string section_;
  std::vector<double> shares_;
  int laid_out_width_ = -1;
  bool laying_out_ = false;
};

class CVexaListView : public QTreeWidget {
  Q_OBJECT
 public:
  // `name` may be empty: then the view keeps the list's own font and colour.
  CVexaListView(const std::string& name, int image_count, QWidget* parent = nullptr);

  const std::string& font_setting() const { return font_setting_; }
  const std::string& colour_setting() const { return colour_setting_; }

  // Inserts the columns of the descriptors; they share the client width.
  void set_up_columns(const ListColumnDescriptor* descriptors, int count);
  CColumnLayout* column_layout() const { return layout_; }
  const ListSortTable& sort_table() const { return sort_table_; }

  // Adds a row of cell texts (bytes, shown as UTF-8 or Latin-1) with an
  // image (-1: none).
  QTreeWidgetItem* insert_item(const std::vector<std::string>& cells, int image = -1);
  // A cell's text as bytes.
  std::string cell_text(int row, int column) const;
  int row_image(int row) const;

  // The column-heading click: sorts by the column, when it has a slot.
  void sort_by_column(int column);

  // The first display: the image list (when asked for) and the stored font
  // and text colour.
  virtual void initial_update();
  // The image list: image_count 16-pixel images whose pixels in the mask
  // colour (192, 192, 192) are clear.
  int image_count() const { return static_cast<int>(images_.size()); }
  void set_image(int index, const QPixmap& pixmap);
  QIcon image(int index) const;
  static QColor mask_colour() { return QColor(192, 192, 192); }

  QColor text_colour() const;
  // The "&Font" command: a font dialog with a colour choice on the
  // current font; the choice is applied and stored.
  void choose_font();
  // Takes a chosen font and colour: applies them and stores them under the
  // view's settings. False (and no font of the view's own kept) when the
  // font cannot be made.
  bool take_chosen_font(const QFont& font, const QColor& colour);

  // The stored record of a font and the font of a stored record.
  FontRecord record_of(const QFont& font) const;
  QFont font_of_record(const FontRecord& record) const;

 protected:
  void set_text_colour(const QColor& colour);

 private:
  std::string font_setting_;
  std::string colour_setting_;
  int image_request_;
  std::vector<QIcon> images_;
  bool own_font_ = false;
  ListSortTable sort_table_;
  CColumnLayout* layout_;
};

class CVexaTableView : public CVexaListView {
  Q_OBJECT
 public:
  using CVexaListView::CVexaListView;
};

// The list views' font dialog: the font (with effects) and a text colour.
class CListFontDialog : public QDialog {
  Q_OBJECT
 public:
  CListFontDialog(const QFont& font, const QColor& colour, QWidget* parent = nullptr);
  QFont selected_font() const;
  QColor selected_colour() const { return colour_; }
  void set_colour(const QColor& colour);

 private:
  QFontDialog* fonts_;
  class QPushButton* colour_button_;
  QColor colour_;
};

}  // namespace sorvi
