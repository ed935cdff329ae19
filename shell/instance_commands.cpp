#include "shell/instance_commands.h"

#include <SQLiteCpp/Column.h>
#include <SQLiteCpp/Statement.h>

#include <QMetaObject>
#include <sstream>

#include "controller/controller_instance.h"
#include "fml/log.h"
#include "model/logic.h"
#include "model/model_instance.h"
#include "shell/commands.h"
#include "shell/loop_errors.h"
#include "shell/main_window.h"
#include "shell/text_to_capture.h"

namespace pvl {

namespace {

using A = command_line::action;

instance_answer failed(const std::string& why) { return {kCommandFailed, {}, "parvela: " + why + "\n"}; }

// The id of the quote stored last.
int32_t newest_quote(logic& store) {
  SQLite::Statement newest(store.database(), "SELECT m_id FROM quote ORDER BY rowid DESC LIMIT 1");
  return newest.executeStep() ? newest.getColumn(0).getInt() : 0;
}

// The id of the quote just stored by the capture path, or why there is none.
instance_answer stored_capture() {
  if (model().waiting_quotes() > 0) {
    return failed("the collection is busy: the quote waits in Parvela and is saved as soon as "
                  "the collection takes it");
  }
  return {kCommandDone, std::to_string(newest_quote(model().store())) + "\n", {}};
}

// Stores the text as a capture does (the window shows it at once), then
// marks it with the tags, which are created as needed.
instance_answer add_quote(const command_line& line, const std::string& payload) {
  bool from_input = !line.text || *line.text == "-";
  std::string text = text_to_capture(from_input ? payload : *line.text, false);
  if (text.empty()) return failed(kNothingToAdd);
  controller().send(text_record{text});
  instance_answer stored = stored_capture();
  if (stored.exit_code == kCommandDone) {
    model().mark_with_tags_named(newest_quote(model().store()), line.tags);
  }
  return stored;
}

instance_answer copy_quotes(const command_line& line) {
  std::ostringstream err;
  std::wstring unused;
  if (!copy_text(model().store(), line, &unused, err)) return {kCommandFailed, {}, err.str()};
  // The window's copy commands, with what they do to the clipboard.
  if (line.ids.size() == 1) {
    int32_t id = line.ids[0];
    if (line.with_tags) {
      model().on_model_event(model_events::copy_quote_with_data{id});
    } else {
      model().on_model_event(model_events::copy_quote{id});
    }
  } else if (line.with_tags) {
    model().on_model_event(model_events::copy_quotes_with_data{line.ids});
  } else {
    model().on_model_event(model_events::copy_quotes{line.ids});
  }
  return {};
}

instance_answer carry_out(const instance_request& request, main_window& window,
                          const std::function<void(const instance_answer&)>& reply,
                          bool* replied_later) {
  command_line line = parse_command_line(request.words);
  fml::getlog("debug") << "Command: " << command_word(line.what) << std::endl;
  std::istringstream in(request.payload);
  std::ostringstream out, err;
  int code = kCommandUsage;
  if (!line.error.empty()) {
    err << "parvela: " << line.error << "\n" << usage_text();
    return {code, {}, err.str()};
  }
  switch (line.what) {
    case A::add:
      return add_quote(line, request.payload);
    case A::list:
      code = list_command(model().store(), line, out, err);
      break;
    case A::tags:
      code = tags_command(model().store(), line, out);
      break;
    case A::export_quotes: {
      // The command writes the file; the content goes into the answer as it
      // is, without a stream's copies (an export may be the whole collection).
      std::optional<std::string> content = export_content(model().store(), line, err);
      if (!content) return {kCommandFailed, {}, err.str()};
      return {kCommandDone, std::move(*content), {}};
    }
    case A::import_quotes:
      out << import_report(model().import_json_export(request.payload, line.merge), line.merge);
      code = kCommandDone;
      break;
    case A::copy:
      return copy_quotes(line);
    case A::capture:
      *replied_later = window.capture_now([reply](const std::string& nothing_why) {
        reply(nothing_why.empty() ? stored_capture() : failed(nothing_why));
      });
      if (!*replied_later) return failed("capture needs an X11 display");
      return {};
    case A::show:
      window.answer_other_instance();
      return {};
    case A::quit:
      // After the answer has gone out.
      QMetaObject::invokeMethod(
          &window, [&window] { guarded([&window] { window.exit_command(); }); },
          Qt::QueuedConnection);
      return {};
    default:
      return failed("not a command for the running Parvela");
  }
  return {code, out.str(), err.str()};
}

}  // namespace

void carry_out_request(const instance_request& request, main_window& window,
                       const std::function<void(const instance_answer&)>& reply) {
  bool replied_later = false;
  instance_answer answer = carry_out(request, window, reply, &replied_later);
  if (!replied_later) reply(answer);
}

}  // namespace pvl
