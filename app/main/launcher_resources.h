// The launcher's side of the UI framework's resources: the choice of the
// skin archive, the skin's common configuration, the fonts' default faces
// and the text anti-alias switch. Thread 0 (the UI thread) only.
#ifndef APP_MAIN_LAUNCHER_RESOURCES_H_
#define APP_MAIN_LAUNCHER_RESOURCES_H_

#include <string>

class LauncherController;

// Opens "resources.zip" of `working_folder` through its copy
// "tmp_resources.zip" in `update_folder` (made first when missing), else the
// executable's "RESOURCES" 129; the archive becomes the UI framework's. An
// archive that cannot make a skin (refused, or its essential files do not
// parse) gives way to the loose files beside the launcher when they are
// whole, else to the executable's own archive; a skin problem says which.
void LoadSkinArchive(const std::wstring& working_folder, const std::wstring& update_folder);

// Writes the UI framework's new skin problems to the engine's trace file,
// one line each.
void TraceSkinProblems();

// Reads the skin's common configuration into the controller and the
// language table's overrides; false (nothing changed) when no file can be
// read or the one read does not parse.
bool LoadCommonConfig(LauncherController* controller);

// Installs the fonts; on success makes the Source Han Sans CN faces the
// framework's "system" and "button" faces and sets the anti-alias switch.
bool InstallFonts();
// The "button" trio of default faces.
void SetDefaultFontFaces();

#endif  // APP_MAIN_LAUNCHER_RESOURCES_H_
