// The application's program-lifetime variables: empty or zero at program start, released at
// shutdown. Each variable is owned by the procedure named beside it.
#pragma once

namespace app {

// Puts every program variable back to empty or zero (start-up, and between test runs).
void ProgramVariablesInit();
// Releases every program variable (shutdown).
void ProgramVariablesRelease();

namespace detail {
void ReleaseScreenName();   // ScreenName: the current screen name
void ReleaseLastAction();   // ReadAction: the last action code
void ReleaseCubeTexts();    // CubeTable: the title, number, cube, table and example texts
void ReleaseSaveGlobals();  // SaveResults: save folder, saved name and path, outcome
void ReleaseScreenChain();  // HandOver: whether the loop runs, what was handed over
}  // namespace detail

}  // namespace app
