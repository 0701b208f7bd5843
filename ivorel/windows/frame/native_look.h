// What makes the frame look like the rest of the desktop: toolbar icons from the desktop's icon theme,
// image window captions that lead with the file name, and the recent files and last folder kept in the
// profile.
#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>
#include <string>

class QMenu;
class CIMDIFrameWnd;

namespace ivorel {

// The freedesktop icon name of a command ("document-open"), or null when the theme has none for it.
const char* command_icon_name(int id);
// The icon theme's picture for the command, or `drawn` when the theme lacks one.
QIcon themed_command_icon(int id, const QIcon& drawn);
// Where the platform names no icon theme of its own (a bare X server, no desktop session), looks the
// names up in the first installed of a few common themes.
void ensure_icon_theme();

// The caption of an image window for the image's full name: the file name first, then its folder in
// parentheses with the home folder as "~", so that a caption cut at the right still shows the name.
// Names that are no path ("Untitled Image #2") stand as they are. An animation says how many frames it has.
QString image_window_title(const std::string& fullName, int frameCount = 1);
// A path as menus and captions show it: the home folder as "~".
QString shown_path(const QString& path);

// The frame's caption: the active image's caption first, marked with "*" while it has unsaved changes
// (an image never saved counts as such), then the program's title; the program's title alone without one.
QString frame_title(const QString& program, const QString& image, bool unsaved);
void update_frame_title(CIMDIFrameWnd* frame);

// The files opened last, newest first, at most kRecentFileCount, kept in the profile.
inline constexpr int kRecentFileCount = 8;
QStringList recent_files();
void add_recent_file(const QString& path);
void remove_recent_file(const QString& path);
// The folder the Open dialogs start in, kept in the profile; empty at first.
QString last_open_folder();
void set_last_open_folder(const QString& folder);

// A "Recent Files" submenu of `parent` that lists the files when it opens and opens the one chosen in
// `frame`; a file that has gone is said so and leaves the list.
QMenu* add_recent_files_menu(CIMDIFrameWnd* frame, QMenu* parent);

}  // namespace ivorel
