// The application's two document templates over the project document: 128, the configuration
// workspace, and 337, the OPC diagnostics workspace (the second shows the same document in a
// frame of its own; it opens no files).
#pragma once

#include "platform/afx/DocManager.h"

void AddDocTemplates(CDocManager& manager, CDocTemplate::ViewFactory configurationView,
                     CDocTemplate::FrameFactory configurationFrame, CDocTemplate::ViewFactory diagnosticsView,
                     CDocTemplate::FrameFactory diagnosticsFrame);
