#include "gui/app/document_manager.h"

#include <QApplication>
#include <QFileDialog>
#include <QMdiArea>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QTimer>

#include "app/recent_files.h"
#include "base/message_box.h"
#include "config/profile.h"
#include "config/startup_options.h"
#include "gui/annotate/sorvi_ref_doc.h"
#include "gui/annotate/sorvi_xtx_doc.h"
#include "gui/app/child_frames.h"
#include "gui/app/list_child_frame.h"
#include "gui/app/view_bars.h"
#include "gui/views/sorvi_edit_doc.h"
#include "gui/views/sorvi_edit_view.h"
#include "gui/views/sorvi_html_doc.h"
#include "gui/views/sorvi_html_view.h"
#include "gui/views/sorvi_rlist_doc.h"
#include "gui/views/vexa_list_view.h"

namespace sorvi {
namespace {

const char kFailedToOpen[] = "Failed to open document";
const char kFailedToCreate[] = "Failed to create document";
const char kPrintingFailed[] = "printing failed";

// The open dialog's filter of a kind: "Name (*.a *.b)".
QString dialog_filter(const DocTemplateInfo& t) {
  QString name = QString::fromStdString(doc_string_field(t.doc_string, 3));
  const QString extensions = QString::fromStdString(doc_string_field(t.doc_string, 4));
  if (name.isEmpty() || extensions.isEmpty()) return QString();
  const int paren = name.indexOf(QLatin1Char('('));
  if (paren >= 0) name = name.left(paren).trimmed();
  QStringList patterns;
  for (const QString& e : extensions.split(QLatin1Char(';'), Qt::SkipEmptyParts)) patterns << QLatin1Char('*') + e;
  return name + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

}  // namespace

CDocumentManager::CDocumentManager(CSorviFrame* frame)
    : QObject(frame), frame_(frame), registry_(get_profile_bool("REF_DOCS", true, false)) {
  connect(frame_, &CSorviFrame::command, this, &CDocumentManager::on_command);
  connect(frame_, &CSorviFrame::recent_file_chosen, this, [this](const QString& path) {
    const std::string name = path.toLocal8Bit().toStdString();
    if (!open_document(name)) {
      remove_recent_file(name);
      frame_->set_recent_files(recent_files());
    }
  });
  connect(frame_->view_bars(), &CViewBars::command, this, &CDocumentManager::on_bar_command);
  connect(frame_->mdi_area(), &QMdiArea::subWindowActivated, this, &CDocumentManager::on_subwindow_activated);
  if (QAction* setup = frame_->command_action(QStringLiteral("Print Setup..."))) {
    connect(setup, &QAction::triggered, this, [this] { QPageSetupDialog(printer(), frame_).exec(); });
  }
  frame_->set_recent_files(recent_files());
  frame_->installEventFilter(this);
}

QPrinter* CDocumentManager::printer() {
  if (!printer_) printer_ = std::make_unique<QPrinter>();
  return printer_.get();
}

bool CDocumentManager::save_all_modified() {
  for (CSorviDocument* doc : documents()) {
    if (!doc->save_modified()) return false;
  }
  return true;
}

bool CDocumentManager::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Close) {
    bool go_on = true;
    if (watched == frame_) {
      go_on = save_all_modified();
    } else if (auto* child = qobject_cast<CChildFrame*>(watched); child && child->document()) {
      go_on = child->document()->save_modified();
    }
    if (!go_on) {
      event->ignore();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

CDocumentManager::~CDocumentManager() = default;

std::vector<CSorviDocument*> CDocumentManager::documents() const {
  std::vector<CSorviDocument*> list;
  for (const auto& [id, doc] : documents_) {
    if (doc) list.push_back(doc);
  }
  return list;
}

void CDocumentManager::failed(const char* message) const {
  // Batch mode never shows anything.
  if (!startup_options().VMODE) message_box(message);
}

CSorviDocument* CDocumentManager::open_document(const std::string& name) {
  const OpenPlan plan = registry_.plan_open(name, startup_options().Language);
  switch (plan.action) {
    case OpenPlan::Fail:
      failed(kFailedToOpen);
      return nullptr;
    case OpenPlan::Activate: {
      auto it = documents_.find(plan.document_id);
      CSorviDocument* doc = it == documents_.end() ? nullptr : it->second.data();
      if (!doc) return nullptr;
      doc->frame()->activate_frame();
      activate(doc);
      return doc;
    }
    case OpenPlan::Create:
      break;
  }
  return create_document(plan);
}

CSorviDocument* CDocumentManager::create_document(const OpenPlan& plan) {
  const int index = plan.template_index;
  const DocumentClass cls = document_class_of(plan.kind);
  CSorviDocument* doc = nullptr;
  CChildFrame* child = nullptr;
  switch (cls) {
    case DocumentClass::Edit:
      doc = new CSorviEditDoc(plan.kind);
      child = new CChildFrame(doc);
      break;
    case DocumentClass::Ref:
      doc = new CSorviRefDoc(plan.kind);
      if (plan.kind == DocKind::Reformatted) {
        child = new CXtxSorviChildFrame(doc);
      } else if (plan.kind == DocKind::AnnotatedSource) {
        child = new CSrcSorviChildFrame(doc);
      } else {
        child = new CMSVCSrcChildFrame(doc);
      }
      break;
    case DocumentClass::Xtx:
      doc = new CSorviXtxDoc;
      child = new CXtxSorviChildFrame(doc);
      break;
    case DocumentClass::Html: {
      auto* html = new CSorviHtmlDoc;
      doc = html;
      child = new CChildFrame(doc);
      child->set_widget(html->create_html_widget());
      break;
    }
    case DocumentClass::ResultList: {
      auto* list = new CSorviRListDoc(plan.kind);
      doc = list;
      child = new CListChildFrame(list);
      break;
    }
  }
  if (CSorviEditView* view = doc->create_view()) child->set_view(view);
  // The annotated kinds have no path of their own to name them by.
  const bool annotated = cls == DocumentClass::Ref || cls == DocumentClass::Xtx;
  if (annotated) doc->set_title(QString::fromStdString(registry_.default_title(index)));

  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool opened = doc->open_document(plan.path);
  QApplication::restoreOverrideCursor();
  if (!opened) {
    // An anchor for the page that did not open is not kept for another.
    if (plan.kind == DocKind::Html) html_anchor().clear();
    delete child;
    if (cls == DocumentClass::ResultList) {
      // The list said why itself.
    } else if (!annotated) {
      failed(kFailedToOpen);
    } else if (startup_options().VMODE) {
      QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    } else {
      failed(kFailedToCreate);
    }
    return nullptr;
  }
  if (annotated) registry_.take_running_number(index);

  adopt(index, doc, child);

  add_recent_file(plan.path);
  frame_->set_recent_files(recent_files());
  return doc;
}

void CDocumentManager::adopt(int index, CSorviDocument* doc, CChildFrame* child) {
  const int id = registry_.add(index, doc->path_name());
  documents_[id] = doc;
  doc->setProperty("sorvi_document_id", id);
  connect(doc, &CSorviDocument::path_name_changed, this, [this, doc, id] { registry_.set_path_name(id, doc->path_name()); });
  connect(doc, &CSorviDocument::title_changed, this, [this, doc] {
    if (doc == active_document()) frame_->update_caption(doc->title());
  });
  connect(doc, &CSorviDocument::bars_changed, this, [this, doc] {
    if (doc == active_document()) refresh_bars();
  });
  if (doc->view()) {
    connect(doc->view(), &CSorviEditView::open_document_requested, this,
            [this](const std::string& path) { open_document(path); });
  }
  connect(child, &CChildFrame::open_document_requested, this, [this](const std::string& path) { open_document(path); });
  connect(child, &CChildFrame::closing, this, &CDocumentManager::on_frame_closing);
  child->installEventFilter(this);

  opening_ = true;
  frame_->mdi_area()->addSubWindow(child);
  child->activate_frame();
  doc->initial_update();
  child->initial_update_views();
  opening_ = false;
  activate(doc);
}

CSorviDocument* CDocumentManager::new_document() {
  // The first kind registered makes the untitled document.
  const int index = 0;
  const DocTemplateInfo& kind = registry_.templates().at(index);
  if (document_class_of(kind.kind) != DocumentClass::Edit) return nullptr;
  auto* doc = new CSorviEditDoc(kind.kind);
  auto* child = new CChildFrame(doc);
  CSorviEditView* view = doc->create_view();
  if (!view) {
    delete child;
    return nullptr;
  }
  child->set_view(view);
  view->set_text_bytes(std::string());
  doc->set_title(QString::fromStdString(registry_.default_title(index)));
  registry_.take_running_number(index);
  adopt(index, doc, child);
  return doc;
}

void CDocumentManager::activate(CSorviDocument* doc) {
  frame_->set_active_document(doc);
  frame_->update_caption(doc ? doc->title() : QString());
  frame_->set_menu_resource(doc ? doc->menu_resource() : 128);
  if (doc) {
    doc->on_activate();
  } else {
    frame_->view_bars()->hide_all();
    frame_->set_line_pane(QString());
    frame_->set_file_pane(QString());
  }
  refresh_bars();
}

void CDocumentManager::refresh_bars() {
  if (CSorviDocument* doc = active_document()) frame_->view_bars()->apply(doc->bar_state());
}

void CDocumentManager::on_subwindow_activated(QMdiSubWindow* window) {
  if (opening_) return;
  if (auto* child = qobject_cast<CChildFrame*>(window)) {
    if (child->document() != active_document()) activate(child->document());
  } else if (frame_->mdi_area()->subWindowList().isEmpty()) {
    activate(nullptr);
  }
}

void CDocumentManager::on_frame_closing(CChildFrame* child) {
  CSorviDocument* doc = child->document();
  doc->on_close();
  const int id = doc->property("sorvi_document_id").toInt();
  registry_.remove(id);
  documents_.erase(id);
  if (doc == active_document()) {
    frame_->set_active_document(nullptr);
    // The area activates the next frame; with none left the frame's own
    // menu and caption return.
    const QList<QMdiSubWindow*> rest = frame_->mdi_area()->subWindowList();
    if (rest.size() <= 1) activate(nullptr);
  }
}

void CDocumentManager::close_document(CSorviDocument* doc) {
  if (doc && doc->frame()) doc->frame()->close();
}

void CDocumentManager::open_with_dialog() {
  QStringList filters;
  for (const DocTemplateInfo& t : registry_.templates()) {
    const QString f = dialog_filter(t);
    if (!f.isEmpty()) filters << f;
  }
  filters << tr("All Files (*)");
  const QString name = QFileDialog::getOpenFileName(frame_, tr("Open"), QString(), filters.join(QStringLiteral(";;")));
  if (!name.isEmpty()) open_document(name.toLocal8Bit().toStdString());
}

void CDocumentManager::print() {
  CSorviDocument* doc = active_document();
  auto* html = qobject_cast<CSorviHtmlDoc*>(doc);
  if (!doc || (!doc->view() && !(html && html->html_view()))) return;
  QPrinter* device = printer();
  QPrintDialog dialog(device, frame_);
  dialog.setWindowTitle(tr("Print %1").arg(doc->title()));
  if (dialog.exec() != QDialog::Accepted) return;
  if (html) {
    html->html_view()->print(device);
    return;
  }
  doc->view()->complete_text();
  // The progress: the document, where it goes, and the page; Cancel ends
  // the printing after the pages already done.
  QProgressDialog progress(frame_);
  progress.setWindowTitle(tr("Printing"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  const QString target = device->outputFileName().isEmpty() ? device->printerName() : device->outputFileName();
  const bool printed = doc->view()->print(device, [&](int page, int pages) {
    progress.setMaximum(pages);
    progress.setLabelText(tr("%1\non %2\nPage %3").arg(doc->title(), target).arg(page));
    progress.setValue(page - 1);
    return !progress.wasCanceled();
  });
  progress.reset();
  if (!printed) failed(kPrintingFailed);
}

void CDocumentManager::on_command(FrameCommand command) {
  if (command == FrameCommand::FileOpen) {
    open_with_dialog();
    return;
  }
  CSorviDocument* doc = active_document();
  if (!doc) return;
  // The page of an HTML document takes the text commands itself.
  if (auto* html = qobject_cast<CSorviHtmlDoc*>(doc); html && html->html_view()) {
    CSorviHtmlView* page = html->html_view();
    switch (command) {
      case FrameCommand::EditCopy:
        page->copy();
        return;
      case FrameCommand::EditSelectAll:
        page->selectAll();
        return;
      case FrameCommand::EditFind:
        page->open_find_dialog();
        return;
      default:
        break;
    }
  }
  // A list view of the frame with the focus takes the font command.
  if (command == FrameCommand::ConfigureFont && doc->frame()) {
    for (QWidget* w = QApplication::focusWidget(); w && w != doc->frame(); w = w->parentWidget()) {
      if (auto* list = qobject_cast<CVexaListView*>(w)) {
        list->choose_font();
        return;
      }
    }
  }
  CSorviEditView* view = doc->view();
  switch (command) {
    case FrameCommand::FileClose:
      close_document(doc);
      break;
    case FrameCommand::FileSave:
      doc->save();
      break;
    case FrameCommand::FileSaveAs:
      doc->save_as();
      break;
    case FrameCommand::FilePrint:
      print();
      break;
    case FrameCommand::EditUndo:
      if (view) view->undo();
      break;
    case FrameCommand::EditCut:
      if (view && !view->isReadOnly()) view->cut();
      break;
    case FrameCommand::EditCopy:
      if (view) view->copy();
      break;
    case FrameCommand::EditPaste:
      if (view && !view->isReadOnly()) view->paste();
      break;
    case FrameCommand::EditSelectAll:
      if (view) view->selectAll();
      break;
    case FrameCommand::EditFind:
      if (view) view->open_find_dialog();
      break;
    case FrameCommand::EditReplace:
      if (view && !view->isReadOnly()) view->open_replace_dialog();
      break;
    case FrameCommand::EditViolationHelp:
      if (view) view->violation_help();
      break;
    case FrameCommand::ViewRefresh:
      if (doc->can_refresh()) doc->refresh();
      break;
    case FrameCommand::ConfigureFont:
      if (view) view->choose_font();
      break;
    default:
      break;
  }
}

void CDocumentManager::on_bar_command(BarControl control, bool checked) {
  if (CSorviDocument* doc = active_document()) doc->on_bar_command(control, checked);
  refresh_bars();
}

}  // namespace sorvi
