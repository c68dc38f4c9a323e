// The Linux entry of dravlen-list: the system hands it its arguments split.
#include "list/list_front_end.h"
#include "query/comparison_code_page.h"
#include "start/fatal_exit.h"

int main(int argc, char** argv) {
  dravlen::InstallFatalExitHandlers();
  dravlen::InitComparisonCodePage();
  return static_cast<int>(dravlen::RunList(argc, argv));
}
