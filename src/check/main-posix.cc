// The Linux entry: the system hands the program its arguments already split.
#include "app/fatal_exit.h"
#include "app/front_end.h"
#include "query/comparison_code_page.h"

int main(int argc, char** argv) {
  dravlen::InstallFatalExitHandlers();
  dravlen::InitComparisonCodePage();
  return static_cast<int>(dravlen::Run(argc, argv));
}
