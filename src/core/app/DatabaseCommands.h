#pragma once

#include <QString>

namespace tq {

class Interaction;
class Session;

// The database commands of the main window: open another file, reopen the
// default one, edit the label, and the record-state override of the about box.
class DatabaseCommands {
public:
    DatabaseCommands(Session &session, Interaction &ui);

    enum class Outcome { Opened, Unchanged, EndProgram };

    // Asks for a file; a file that cannot be opened leaves the open database.
    Outcome openOther();
    // Reopens the default database; its absence ends the program.
    Outcome openDefault();
    // Asks for a new label; true when one was stored.
    bool editLabel();
    // Marks every record as saved without logic errors.
    void markAllPassed();

private:
    // Tells the user when the file just opened holds codes that are not whole numbers.
    void warnAboutCodes();

    Session &m_session;
    Interaction &m_ui;
};

// Start-up before the main window is shown: the update check, the settings
// and the default database. false means the program must end (the user has
// been told why).
struct Preferences;
class Settings;
bool startSession(Session &session, Settings &settings, Interaction &ui, Preferences &prefs);

} // namespace tq
