// Appending a line to a progress log (a rich-edit control).
#pragma once

#include "common/Messages.h"
#include "os/System.h"
#include "ui/Controls.h"

#include <string>

namespace app {

// "hh:mm:ss.mmm : " for the moment the line is appended.
std::wstring LogTimeStamp(const os::LocalTime& time);

// The format set before each line: not bold, italic or underlined, 11.25
// points, red for an error and blue otherwise.
ui::CharFormat LogLineFormat(bool error);

// Clears the log when the record says so; otherwise appends the time stamp,
// the text and a line end in the line's colour and keeps the end in view.
void AppendLogLine(ui::RichEdit& log, const common::UiTextRecord& record);

}  // namespace app
