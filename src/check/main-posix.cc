// The Linux entry: the system hands the program its arguments already split.
#include "check/front_end.h"
#include "query/comparison_code_page.h"
#include "start/fatal_exit.h"

int main(int argc, char** argv) {
  dravlen::InstallFatalExitHandlers();
  dravlen::InitComparisonCodePage();
  return static_cast<int>(dravlen::Run(argc, argv));
}
