// qlv4 --export-data RESULT OUT [--stress "AZ1 PL1 AZ3 PL3 PHI"] [--tld] [--equal-area] [--home DIR]
// qlv4 --export-mohr RESULT OUT --stress "AZ1 PL1 AZ3 PL3 PHI" [--home DIR]
// The data stereonet and the Mohr diagram of the Fault-Slip Data window, drawn
// without a display, by OUT's extension as --export writes the main picture.
#pragma once

namespace quillon::viewer {

// 0: not such a mode; 1: --export-data; 2: --export-mohr.
int dataPictureMode(int argc, char** argv);
int runDataPictureCommand(int argc, char** argv);

}  // namespace quillon::viewer
