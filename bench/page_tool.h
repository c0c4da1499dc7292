// The page tool lintra-make-page: writes the benchmark page (the seeded synthetic scan of
// a line drawing the in-process benchmarks use) as BMP files.
//
//   lintra-make-page [--dpi 150|300|600|1200] [--size WxH] [--seed N] [--grey PATH] [--colour PATH]
//
// --dpi 300 gives the A4 page of 2480 x 3508 pixels, the other resolutions the
// same drawing on the same sheet (1240 x 1754 at 150 dpi, 4960 x 7016 at 600,
// 9920 x 14032 at 1200); --size replaces the sheet's size. --grey writes the 8-bit
// page, --colour its 24-bit colour scan. Exit status 0, 1 when a file cannot
// be written, 2 for a usage error.
#pragma once

namespace lintra::bench {

// The whole program, argv[0] being its name; returns the exit status.
// Errors go to standard error, --help to standard output.
int RunMakePage(int argc, const char* const* argv);

}  // namespace lintra::bench
