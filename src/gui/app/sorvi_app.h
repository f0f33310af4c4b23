// CSorviApp: the program's start-up sequence and its message loop.
#pragma once

#include <QObject>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sorvi {

class CDocumentManager;
class CSorviFrame;
class SingleInstanceServer;

class CSorviApp : public QObject {
  Q_OBJECT
 public:
  CSorviApp();
  ~CSorviApp() override;

  // Creates the main frame and carries out the parsed command line. False
  // ends the program without a window.
  bool InitInstance(const std::string& file_name, bool open_file);
  // Receiving side of the single-instance rule: takes a forwarded command
  // line, or keeps it for later while an earlier one shows a message.
  void OnCopyData(const std::vector<uint8_t>& payload);
  // Opens a document through the document kinds; false when none could.
  bool open_document(const std::string& file_name);
  // File > New: an untitled plain document, or a message that none could
  // be made.
  bool new_document();

  CSorviFrame* frame() const { return frame_.get(); }
  CDocumentManager* documents() const { return documents_; }

 private:
  void take_command_line(const std::vector<uint8_t>& payload);
  // The GLH file the standards are read with.
  std::string standards_repository() const;

  std::unique_ptr<CSorviFrame> frame_;
  CDocumentManager* documents_ = nullptr;  // owned by the frame
  SingleInstanceServer* server_ = nullptr;
  bool handling_ = false;
  std::optional<std::vector<uint8_t>> pending_;
};

// The whole program: start-up, batch mode or the window, the message loop.
int run_sorvi(int argc, char** argv);

// True when a window system can be reached (or a platform was named).
bool display_available();

// Routes the toolkit's own warnings to the standard error the process
// started with, so that "sorvi.err" holds the report alone.
void install_toolkit_message_handler();

}  // namespace sorvi
