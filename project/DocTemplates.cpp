#include "project/DocTemplates.h"

#include "project/Doc.h"
#include "project/ProjectResource.h"

void AddDocTemplates(CDocManager& manager, CDocTemplate::ViewFactory configurationView,
                     CDocTemplate::FrameFactory configurationFrame, CDocTemplate::ViewFactory diagnosticsView,
                     CDocTemplate::FrameFactory diagnosticsFrame) {
  RegisterProjectStrings();
  manager.AddDocTemplate(std::make_unique<CDocTemplate>(IDR_TESSALY_TYPE, [] { return new CDoc(); },
                                                        std::move(configurationView), std::move(configurationFrame)));
  manager.AddDocTemplate(std::make_unique<CDocTemplate>(IDR_GROUPITEM_TYPE, [] { return new CDoc(); },
                                                        std::move(diagnosticsView), std::move(diagnosticsFrame)));
}
