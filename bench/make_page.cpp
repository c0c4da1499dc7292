// lintra-make-page: writes the benchmark page as BMP files (see page_tool.h).
#include "bench/page_tool.h"

int main(int argc, char** argv) {
    return lintra::bench::RunMakePage(argc, argv);
}
