// The project document on the demo network, started, with scripted message boxes and helpers
// that find the device tree's objects by kind.
#pragma once

#include <functional>
#include <memory>

#include "lon/DefaultObject.h"
#include "platform/win32/MessageBox.h"
#include "project/tests/doc/DocFixture.h"

class ConfigFixture : public DocFixture {
 protected:
  void SetUp() override {
    DocFixture::SetUp();
    m_boxes = std::make_shared<CScriptedMessageBoxPresenter>();
    m_boxScope = std::make_unique<CScopedMessageBoxPresenter>(m_boxes);
  }
  void TearDown() override {
    m_boxScope.reset();
    DocFixture::TearDown();
  }
  void Start() {
    UseDemoNetwork();
    m_doc->OnStart();
    ASSERT_TRUE(m_doc->IsConnected());
    Pump();
  }
  // The first object of the type in the device tree, depth first, in child-set order; with
  // `accept`, the first that it accepts.
  CDefaultObject* Find(int type, const std::function<bool(CDefaultObject*)>& accept = {}) {
    std::function<CDefaultObject*(CTreeObject*)> walk = [&](CTreeObject* object) -> CDefaultObject* {
      for (CTreeObject* child : object->m_children) {
        auto* typed = dynamic_cast<CDefaultObject*>(child);
        if (typed != nullptr && typed->GetType() == type && (!accept || accept(typed))) return typed;
        if (CDefaultObject* found = walk(child)) return found;
      }
      return nullptr;
    };
    return m_doc->m_pDeviceTree != nullptr ? walk(m_doc->m_pDeviceTree) : nullptr;
  }
  std::shared_ptr<CScriptedMessageBoxPresenter> m_boxes;
  std::unique_ptr<CScopedMessageBoxPresenter> m_boxScope;
};
