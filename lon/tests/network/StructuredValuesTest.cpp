// Structured NVs and CPs on the simulated network: member item IDs, the field objects of the
// device tree, field texts, writes of one field, the user's value prompt, and a data-type change.
#include <functional>
#include <map>
#include <memory>

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/CPTag.h"
#include "lon/DeviceTreeObjects.h"
#include "lon/NVTag.h"
#include "lon/tests/network/LonNetworkFixture.h"
#include "platform/com/ComVariant.h"

namespace lon_network_testing {
namespace {

const wchar_t kStateCp[] = L"4B.1.4.O1.1";  // nciDefaultState of block "Sensor", SNVT_switch "50.0 1"

class StructuredValuesTest : public LonNetworkTest {
 protected:
  void SetUp() override {
    LonNetworkTest::SetUp();
    ASSERT_TRUE(OpenSimulated());
    for (CLonNode* node : manager->GetNodes()) {
      for (CNetworkVariable* nv : node->m_nvs)
        if (nv->GetItemID() == kOccupancy) occupancy = nv;
      for (CLonFunctionalBlock* block : node->m_blocks)
        for (CConfigProperty* cp : block->m_cps)
          if (cp->GetItemID() == kStateCp) state = cp;
    }
    ASSERT_NE(nullptr, occupancy);
    ASSERT_NE(nullptr, state);
  }
  CComVariant Device(const wchar_t* id, short field) {
    CComVariant v;
    EXPECT_EQ(S_OK, sim->GetDeviceValue(id, field, &v));
    return v;
  }

  CNetworkVariable* occupancy = nullptr;
  CConfigProperty* state = nullptr;
};

TEST_F(StructuredValuesTest, ACpsMembersHaveTagsTreeObjectsAndTexts) {
  ASSERT_EQ(2, state->GetFieldCount());
  EXPECT_EQ(L"value", state->GetMemberName(0));
  EXPECT_EQ(L"state", state->GetMemberName(1));
  EXPECT_EQ(L"50.0 1", state->GetFieldText(-1));
  EXPECT_EQ(L"50.0", state->GetFieldText(0));
  EXPECT_EQ(L"1", state->GetFieldText(1));

  // The tag factory knows the members by name, under both forms of the ID.
  struct Case {
    CString id;
    short field;
    VARTYPE canonical;
  } cases[] = {{kStateCp, -1, VT_BSTR},
               {CString(kStateCp) + L"__value", 0, VT_R8},
               {CString(kStateCp) + L" nciDefaultState__state", 1, VT_I2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id.GetString());
    std::unique_ptr<COPCTag> tag(manager->CreateTagFromItemID(c.id));
    auto* cpTag = dynamic_cast<CCPTag*>(tag.get());
    ASSERT_NE(nullptr, cpTag);
    EXPECT_EQ(c.field, cpTag->m_nField);
    EXPECT_EQ(c.canonical, tag->GetCanonicalType());
  }
  std::unique_ptr<COPCTag> none(manager->CreateTagFromItemID(CString(kStateCp) + L"__level"));
  EXPECT_EQ(nullptr, none);
  CCPTag field(state, 0);
  EXPECT_EQ(CString(kStateCp) + L" nciDefaultState__value", field.GetItemID());

  // The device tree has one object per member, named and shown by it.
  CDefaultObject tree(L"Network");
  manager->BuildDeviceTree(&tree, 1);
  CCPTreeObject* cpObject = nullptr;
  std::function<void(CTreeObject*)> find = [&](CTreeObject* object) {
    for (CTreeObject* child : object->m_children) {
      if (CCPTreeObject* cp = CCPTreeObject::FromObject(child); cp && cp->m_pCP == state) cpObject = cp;
      find(child);
    }
  };
  find(&tree);
  ASSERT_NE(nullptr, cpObject);
  EXPECT_EQ(std::wstring(L"Uncertain"), cpObject->GetValueText().GetString());  // not read yet
  ASSERT_TRUE(CCPTag(state, -1).Refresh(OPC_DS_DEVICE));
  EXPECT_EQ(std::wstring(L"50.0 1"), cpObject->GetValueText().GetString());
  ASSERT_EQ(2u, cpObject->m_children.size());
  std::map<CString, CString> texts;
  for (CTreeObject* child : cpObject->m_children) {
    auto* fieldObject = static_cast<CSubfieldTreeObject*>(child);
    EXPECT_EQ(TreeObjectField, fieldObject->GetType());
    texts[fieldObject->GetName()] = fieldObject->GetValueText();
  }
  EXPECT_EQ((std::map<CString, CString>{{L"state", L"1"}, {L"value", L"50.0"}}), texts);
}

TEST_F(StructuredValuesTest, WriteFieldStoresOneMemberAndRefusesWhatDoesNotFit) {
  struct Case {
    short field;
    CComVariant value;
    bool stored;
    const wchar_t* text;  // the CP's text afterwards
  } cases[] = {
      {0, CComVariant(75.0), true, L"75.0 1"},       {1, CComVariant(short{-1}), true, L"75.0 -1"},
      {0, CComVariant(101.0), false, L"75.0 -1"},  // past the member's range
      {3, CComVariant(1.0), false, L"75.0 -1"},    // no such member
      {-1, CComVariant(L"20.0 0"), true, L"20.0 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    EXPECT_EQ(c.stored, state->WriteField(c.value, c.field));
    EXPECT_EQ(CString(c.text), state->GetFieldText(-1));
  }
  EXPECT_EQ(20.0, Device(kStateCp, 0).dblVal);
  // Through a field tag, as an OPC item writes.
  CCPTag tag(state, 0);
  CComVariant sixty(60.0);
  EXPECT_TRUE(tag.WriteValue(&sixty));
  EXPECT_EQ(60.0, Device(kStateCp, 0).dblVal);
}

TEST_F(StructuredValuesTest, StoreValueTextTakesTheUsersAnswer) {
  struct Case {
    const wchar_t* answer;  // null: the user cancels
    bool fails;             // the prompt call fails
    bool stored;
    const wchar_t* text;
    size_t boxes;
  } cases[] = {
      {L"25.0 0", false, true, L"25.0 0", 0},
      {nullptr, false, false, L"25.0 0", 0},
      {L"30.0 1", true, false, L"25.0 0", 1},  // shown; the raw value is freed all the same
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer ? c.answer : L"(cancel)");
    if (c.answer && !c.fails) {
      ASSERT_EQ(S_OK, sim->QueuePromptAnswer(c.answer));
    }
    if (c.fails) {
      ASSERT_EQ(S_OK, sim->FailCall(kestrum::kObjCp, kStateCp, kestrum::cp::kPromptValue, L"No user", 1));
    }
    EXPECT_EQ(c.stored, state->StoreValueText());
    EXPECT_EQ(CString(c.text), state->GetFieldText(-1));
    EXPECT_EQ(c.boxes, env.Prompts().Texts().size());
  }
}

TEST_F(StructuredValuesTest, AnNvsFieldTextsAndADataTypeChange) {
  ASSERT_EQ(2, occupancy->GetFieldCount());
  EXPECT_EQ(L"0.0 0", occupancy->GetValueText(-1));
  EXPECT_EQ(L"0.0", occupancy->GetValueText(0));
  EXPECT_EQ(L"0", occupancy->GetValueText(1));
  EXPECT_THROW(occupancy->GetValueText(5), COleDispatchException);  // no such member

  CNVTag value(occupancy, 0);
  ASSERT_EQ(VT_R8, value.GetCanonicalType());
  occupancy->SetFieldType(0, VT_R4);
  EXPECT_EQ(VT_R4, value.GetCanonicalType());
  CComVariant read;
  ASSERT_EQ(S_OK, value.ReadValue(&read, VT_R4));
  EXPECT_EQ(VT_R4, read.vt);
  occupancy->SetFieldType(0, 0xFFFF);  // back to the type's own
  EXPECT_EQ(VT_R8, value.GetCanonicalType());
  CNVTag whole(occupancy, -1);
  occupancy->SetFieldType(-1, VT_I4);  // text that is no number: the read fails, the type is taken
  EXPECT_EQ(VT_I4, whole.GetCanonicalType());
}

}  // namespace
}  // namespace lon_network_testing
