#include "app/program_variables.h"

namespace app {

void ProgramVariablesInit() {
  ProgramVariablesRelease();
}

void ProgramVariablesRelease() {
  detail::ReleaseScreenName();
  detail::ReleaseLastAction();
  detail::ReleaseCubeTexts();
  detail::ReleaseSaveGlobals();
  detail::ReleaseScreenChain();
}

}  // namespace app
