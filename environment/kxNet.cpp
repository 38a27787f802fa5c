#include "environment/kxNet.h"

#include "environment/kxClassFactory.h"
#include "platform/http/HttpClient.h"
#include "platform/rtl/Exceptions.h"

namespace TkxNet::detail {

void InitializeModule() {
  kx::platform::http::InitializeTransport();
  FinalizeModule();
  try {
    NetClassFactory = new TkxClassFactory();
  } catch (const Exception& e) {
    throw Exception(u"network settings: " + e.Message);
  }
}

void FinalizeModule() {
  delete NetClassFactory;
  NetClassFactory = nullptr;
}

}  // namespace TkxNet::detail
