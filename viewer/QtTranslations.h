#pragma once

namespace viewer {

// Loads Qt's own Korean texts (the buttons of message boxes, the edit menu of a field) into the
// application, once. False when they are not installed: Qt's texts then stay English.
bool installQtTranslations();

} // namespace viewer
