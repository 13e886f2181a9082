// Linux: the C library's iconv.
#include <iconv.h>

#include <cerrno>

#include "common/code_page_converter.h"

namespace zephyn {

namespace {

const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

// One iconv descriptor per thread and direction. A descriptor carries
// conversion state and must not be used by two threads at once, and opening
// one per call costs more than converting a typical block, so each thread
// keeps its own for its lifetime.
class Descriptor {
 public:
  Descriptor(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
  ~Descriptor() {
    if (m_cd != kNoDescriptor) iconv_close(m_cd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  iconv_t get() const { return m_cd; }

 private:
  iconv_t m_cd;
};

iconv_t DescriptorFor(Conversion conversion) {
  if (conversion == Conversion::GbkToUtf8) {
    thread_local const Descriptor descriptor("UTF-8", "GBK");
    return descriptor.get();
  }
  thread_local const Descriptor descriptor("GBK", "UTF-8");
  return descriptor.get();
}

}  // namespace

ConvertStop ConvertStep(Conversion conversion, const char*& in, std::size_t& inLeft, char*& out,
                        std::size_t& outLeft) {
  const iconv_t cd = DescriptorFor(conversion);
  if (cd == kNoDescriptor) return ConvertStop::Unavailable;
  // Each step starts from the initial state: a refused position is skipped
  // by the caller, and no shift state may carry over it.
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* inPtr = const_cast<char*>(in);
  const std::size_t result = iconv(cd, &inPtr, &inLeft, &out, &outLeft);
  const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
  in = inPtr;
  switch (error) {
    case 0:
      return ConvertStop::Done;
    case E2BIG:
      return ConvertStop::OutputFull;
    case EILSEQ:
    case EINVAL:
      return ConvertStop::Refused;
    default:
      // Not a fault of the input (none is documented for these
      // conversions); give up on the converter rather than loop on it.
      return ConvertStop::Unavailable;
  }
}

}  // namespace zephyn
