// The program's string table holds one text per id: every table the program registers, taken
// together, without a clash.
#include <gtest/gtest.h>

#include "app/shell/ShellResources.h"
#include "lon/LonResources.h"
#include "opcserver/OpcServerResource.h"
#include "platform/afx/AfxRes.h"
#include "platform/win32/CString.h"
#include "platform/win32/Resources.h"
#include "project/ProjectResource.h"
#include "views/models/ConfigViewResource.h"

namespace {

TEST(StringTable, EveryTableOfTheProgramTogetherHasOneTextPerId) {
  AfxRegisterFrameworkStrings();
  RegisterLonResources();
  RegisterOpcServerStrings();
  RegisterProjectStrings();
  RegisterConfigViewStrings();
  RegisterShellResources();
  for (const StringResourceClash& clash : GetStringResourceClashes()) {
    ADD_FAILURE() << "string " << clash.id << " has two texts: \"" << std::string(clash.earlier.begin(), clash.earlier.end())
                  << "\" and \"" << std::string(clash.later.begin(), clash.later.end()) << "\"";
  }
  CString cutLog, neuronId;
  cutLog.LoadString(IDS_CUT_LOG_FAILED);
  neuronId.LoadString(IDS_NEURON_ID_INVALID);
  EXPECT_EQ(CString(L"The removed lines cannot be written to %s."), cutLog);
  EXPECT_EQ(CString(L"A Neuron ID has 12 hexadecimal digits."), neuronId);
}

}  // namespace
