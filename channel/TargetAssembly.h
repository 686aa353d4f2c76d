#pragma once

// Writes the A2.xx file beside the source from the open source and the compressed
// payload in Conversion, then closes both files and releases the payload. Runs on the
// worker; its status line and boxes are carried out on the UI thread.
void AssembleTargetFile();
