// The child frames that hold a document's view in the main frame's MDI
// area, maximised unless the user arranged them. CXtxSorviChildFrame adds
// the column heading above the view and a status line below it, both in
// the view's font;
// CSrcSorviChildFrame only the status line; CMSVCSrcChildFrame splits its
// area between the view (90 %) and the violation list (10 %).
#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <string>

class QMdiArea;
class QSplitter;
class QVBoxLayout;

namespace sorvi {

class CSorviDocument;
class CSorviEditView;
class CSorviStatusBar;
class CScrollSorviStatusBar;
class CViolationListView;

class CChildFrame : public QMdiSubWindow {
  Q_OBJECT
 public:
  explicit CChildFrame(CSorviDocument* document, QWidget* parent = nullptr);

  CSorviDocument* document() const { return document_; }
  // Puts the view into the frame.
  virtual void set_view(CSorviEditView* view);
  CSorviEditView* view() const { return view_; }
  // Puts a view that is not a text view (the HTML page) into the frame.
  void set_widget(QWidget* widget);
  // After the document's first display: fills the frame's other views.
  virtual void initial_update_views() {}
  // Shows the frame maximised, whatever the caller asked.
  void activate_frame();
  // After an explicit Cascade or Tile of the area's frames the active
  // frame is no longer kept maximised, until the user maximises one again.
  static void set_arranged(QMdiArea* area, bool arranged);
  static bool arranged(const QMdiArea* area);
  // Applies the view's font to the frame's bars (none here).
  virtual void apply_view_font() {}
  // Whether the font was applied on a first activation already.
  bool font_applied() const { return font_applied_; }
  void mark_font_applied() { font_applied_ = true; }

  virtual CSorviStatusBar* bottom_bar() const { return nullptr; }
  virtual CScrollSorviStatusBar* header_bar() const { return nullptr; }

 signals:
  // The user or the program asked the frame to close.
  void closing(sorvi::CChildFrame* frame);
  // A view of the frame other than the document's asks to open a file.
  void open_document_requested(const std::string& path);

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // The widget the view and the bars sit in.
  QWidget* content() const { return content_; }
  QVBoxLayout* content_layout() const { return layout_; }

  CSorviEditView* view_ = nullptr;

 private:
  CSorviDocument* document_;
  QPointer<QWidget> widget_;
  QWidget* content_;
  QVBoxLayout* layout_;
  bool font_applied_ = false;
  bool maximising_ = false;
};

class CXtxSorviChildFrame : public CChildFrame {
  Q_OBJECT
 public:
  explicit CXtxSorviChildFrame(CSorviDocument* document, QWidget* parent = nullptr);
  void set_view(CSorviEditView* view) override;
  void apply_view_font() override;
  CSorviStatusBar* bottom_bar() const override { return bottom_; }
  CScrollSorviStatusBar* header_bar() const override { return header_; }

  // The column heading when the view sets none: "Line" right-aligned in
  // five columns, then the block and statement titles.
  static QString default_heading();

 protected:
  CXtxSorviChildFrame(CSorviDocument* document, bool with_header, QWidget* parent);
  // Where the view goes (the splitter of the violations frame).
  virtual void place_view(CSorviEditView* view);

  CScrollSorviStatusBar* header_ = nullptr;
  CSorviStatusBar* bottom_ = nullptr;
};

class CSrcSorviChildFrame : public CXtxSorviChildFrame {
  Q_OBJECT
 public:
  explicit CSrcSorviChildFrame(CSorviDocument* document, QWidget* parent = nullptr);
};

class CMSVCSrcChildFrame : public CSrcSorviChildFrame {
  Q_OBJECT
 public:
  explicit CMSVCSrcChildFrame(CSorviDocument* document, QWidget* parent = nullptr);
  QSplitter* splitter() const { return splitter_; }
  // The lower row: the violation list of the document.
  QWidget* list_view() const { return list_; }
  CViolationListView* violation_list() const;
  // Fills the violation list (not in batch mode, which has no window).
  void initial_update_views() override;

 protected:
  void place_view(CSorviEditView* view) override;
  // Makes the widget of the lower row.
  virtual QWidget* create_violation_list_view();

 private:
  QSplitter* splitter_ = nullptr;
  QWidget* list_ = nullptr;
};

}  // namespace sorvi
