#include "foundation/shared/MyCriticalSection.h"

CMyCriticalSection::CMyCriticalSection() { InitializeCriticalSection(&m_cs); }

CMyCriticalSection::~CMyCriticalSection() { DeleteCriticalSection(&m_cs); }
