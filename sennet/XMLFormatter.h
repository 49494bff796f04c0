// CXMLFormatter: the Sennet type table object. It maps (device program ID, NV index) to a user
// type name and selector and keeps the map in nv_types.xml: a document element of any name,
// "node" elements (first child "pid") anywhere below it, and under each "node" its "nv"
// elements with the children "index", "type" and "selector", all data as element text.
// Every change is saved at once. Apartment-threaded: no lock.
#pragma once

#include <functional>
#include <string>

#include "interfaces/sennet/IXMLFormatter.h"
#include "platform/com/ComObject.h"
#include "platform/com/DispatchTable.h"
#include "platform/xmldom/XmlDomDocument.h"

class CXMLFormatter : public CComObjectRootEx<CComSingleThreadModel>,
                      public CComCoClass<CXMLFormatter, &CLSID_XMLFormatter>,
                      public IDispatchTableImpl<CXMLFormatter, IXMLFormatter> {
 public:
  // Makes the DOM document OpenFile starts with.
  using DocumentFactory = std::function<HRESULT(XmlDomDocumentPtr&)>;

  CXMLFormatter();

  BEGIN_COM_MAP(CXMLFormatter)
    COM_INTERFACE_ENTRY(IXMLFormatter)
    COM_INTERFACE_ENTRY2(IDispatch, IXMLFormatter)
  END_COM_MAP()

  HRESULT OpenFile(BSTR m_fileName) override;
  HRESULT CloseFile() override;
  HRESULT GetNvTypeName(BSTR pid, short index, BSTR* typeName, short* selector, LONG* ret) override;
  HRESULT SetNvType(short index, BSTR typeName, BSTR pid, short selector) override;
  HRESULT RemoveNvType(BSTR pid, short index) override;

  const CDispatchTable& GetDispatchTable() const { return m_table; }
  // For tests: how documents are made (the default makes a CXmlDomDocument).
  void SetDocumentFactory(DocumentFactory factory) { m_factory = std::move(factory); }

 private:
  // The "node" of pid at or below element, depth first; null when none.
  static XmlDomNodePtr FindNode(const XmlDomNodePtr& element, const std::wstring& pid, bool isRoot);
  static XmlDomNodePtr FindNv(const XmlDomNodePtr& node, short index);
  HRESULT Save() const;
  void BuildDispatchTable();

  std::wstring m_fileName;
  XmlDomNodePtr m_pRoot;
  XmlDomDocumentPtr m_pDoc;
  DocumentFactory m_factory;
  CDispatchTable m_table;
};
