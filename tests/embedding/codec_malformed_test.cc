// Messages the decoders must refuse, with the error the engine gives and
// without reading past the buffer (run under AddressSanitizer too).

#include <gtest/gtest.h>

#include <string>

#include "embedding/wire.h"
#include "support/value_ptr.h"

namespace quorvel {
namespace testing {
namespace {

class CodecMalformedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    message_codec_ = fl_standard_message_codec_new();
    method_codec_ = fl_standard_method_codec_new();
  }
  void TearDown() override {
    g_clear_object(&message_codec_);
    g_clear_object(&method_codec_);
  }

  // The error code of decoding `bytes` as one message, or -1 if it decoded.
  int MessageError(const Bytes& bytes, std::string* text = nullptr) {
    g_autoptr(GBytes) message = ToBytes(bytes);
    g_autoptr(GError) error = nullptr;
    g_autoptr(FlValue) value = fl_message_codec_decode_message(
        FL_MESSAGE_CODEC(message_codec_), message, &error);
    if (value != nullptr) {
      return -1;
    }
    EXPECT_EQ(error->domain, FL_MESSAGE_CODEC_ERROR);
    if (text != nullptr) {
      *text = error->message;
    }
    return error->code;
  }

  // The same for a method call; the message text goes to `text`.
  int CallError(const Bytes& bytes, std::string* text = nullptr) {
    g_autoptr(GBytes) message = ToBytes(bytes);
    g_autoptr(GError) error = nullptr;
    g_autofree gchar* name = nullptr;
    g_autoptr(FlValue) args = nullptr;
    if (FL_METHOD_CODEC_GET_CLASS(method_codec_)
            ->decode_method_call(FL_METHOD_CODEC(method_codec_), message, &name,
                                 &args, &error)) {
      return -1;
    }
    EXPECT_EQ(error->domain, FL_MESSAGE_CODEC_ERROR);
    if (text != nullptr) {
      *text = error->message;
    }
    return error->code;
  }

  // The same for a reply envelope.
  int ResponseError(const Bytes& bytes, std::string* text = nullptr) {
    g_autoptr(GBytes) message = ToBytes(bytes);
    g_autoptr(GError) error = nullptr;
    g_autoptr(FlMethodResponse) response =
        FL_METHOD_CODEC_GET_CLASS(method_codec_)
            ->decode_response(FL_METHOD_CODEC(method_codec_), message, &error);
    if (response != nullptr) {
      return -1;
    }
    EXPECT_EQ(error->domain, FL_MESSAGE_CODEC_ERROR);
    if (text != nullptr) {
      *text = error->message;
    }
    return error->code;
  }

  FlStandardMessageCodec* message_codec_ = nullptr;
  FlStandardMethodCodec* method_codec_ = nullptr;
};

// Valid messages of every shape; each must decode whole and fail cleanly
// when cut anywhere.
const char* const kValidMessages[] = {
    "01",
    "03 01000000",
    "04 00000080 00000000",
    "06 00000000000000 | 000000000000f83f",
    "07 05 68656c6c6f",
    "07 fe 0300 616263",
    "08 ff 03000000 010203",
    "09 02 0000 | 01000000 ffffffff",
    "0a 01 000000000000 | 0100000000000000",
    "0b 01 000000000000 | 000000000000f83f",
    "0e 01 0000 | 0000c03f",
    "0c 02 | 03 01000000 | 0c 01 06 000000000000 | 000000000000f83f",
    "0d 02 | 07 01 61 | 03 01000000 | 07 01 62 | 0d 01 00 00",
};

TEST_F(CodecMalformedTest, EveryTruncationIsOutOfData) {
  for (const char* hex : kValidMessages) {
    SCOPED_TRACE(hex);
    Bytes whole = Hex(hex);
    ASSERT_EQ(MessageError(whole), -1);
    for (size_t length = 0; length < whole.size(); length++) {
      SCOPED_TRACE(length);
      EXPECT_EQ(MessageError(Bytes(whole.begin(), whole.begin() + length)),
                FL_MESSAGE_CODEC_ERROR_OUT_OF_DATA);
    }
  }
}

TEST_F(CodecMalformedTest, EveryTruncatedMethodCallIsOutOfData) {
  // The double after the type byte at offset 11 starts at offset 16.
  Bytes whole =
      Hex("07 04 70696e67 | 0d 01 | 07 01 78 | 06 00000000 | 000000000000f83f");
  ASSERT_EQ(CallError(whole), -1);
  for (size_t length = 0; length < whole.size(); length++) {
    SCOPED_TRACE(length);
    EXPECT_EQ(CallError(Bytes(whole.begin(), whole.begin() + length)),
              FL_MESSAGE_CODEC_ERROR_OUT_OF_DATA);
  }
}

TEST_F(CodecMalformedTest, RejectsUnknownTypesAndLargeInt) {
  struct TypeCase {
    const char* hex;
    const char* text;
  };
  const TypeCase cases[] = {
      {"05 01 31", "Unexpected standard codec type 05"},
      {"0f", "Unexpected standard codec type 0f"},
      {"7f", "Unexpected standard codec type 7f"},
      {"80", "Unexpected standard codec type 80"},
      {"ff", "Unexpected standard codec type ff"},
      {"0c 01 05 01 31", "Unexpected standard codec type 05"},
      {"0d 01 07 01 61 14", "Unexpected standard codec type 14"},
  };
  for (const TypeCase& c : cases) {
    SCOPED_TRACE(c.hex);
    std::string text;
    EXPECT_EQ(MessageError(Hex(c.hex), &text),
              FL_MESSAGE_CODEC_ERROR_UNSUPPORTED_TYPE);
    EXPECT_EQ(text, c.text);
  }
}

// A length far beyond the message must be refused before anything is
// allocated for it: AddressSanitizer aborts on a 4 GiB allocation.
TEST_F(CodecMalformedTest, RejectsLengthsBeyondTheMessage) {
  const char* const cases[] = {
      "07 ff ffffffff 61",
      "08 ff ffffffff 00",
      "09 ff ffffffff 00 00000000",
      "0a ff ffffffff 000000 0000000000000000",
      "0b ff ffffffff 000000 0000000000000000",
      "0e ff ffffffff 00 00000000",
      "0c ff ffffffff 00 00",
      "0d ff ffffffff 00 00",
      "0d 02 00 00",
      "07 fe ffff 6161",
  };
  for (const char* hex : cases) {
    SCOPED_TRACE(hex);
    EXPECT_EQ(MessageError(Hex(hex)), FL_MESSAGE_CODEC_ERROR_OUT_OF_DATA);
  }
}

TEST_F(CodecMalformedTest, RejectsTrailingBytes) {
  EXPECT_EQ(MessageError(Hex("00 00")), FL_MESSAGE_CODEC_ERROR_ADDITIONAL_DATA);
  EXPECT_EQ(MessageError(Hex("07 01 61 62")),
            FL_MESSAGE_CODEC_ERROR_ADDITIONAL_DATA);

  std::string text;
  EXPECT_EQ(CallError(Hex("07 01 61 | 00 | 00"), &text),
            FL_MESSAGE_CODEC_ERROR_FAILED);
  EXPECT_EQ(text, "Unexpected extra data");
  EXPECT_EQ(ResponseError(Hex("00 00 00"), &text),
            FL_MESSAGE_CODEC_ERROR_FAILED);
  EXPECT_EQ(text, "Unexpected extra data");
  EXPECT_EQ(ResponseError(Hex("01 07 01 45 00 00 | 07 01 73"), &text),
            FL_MESSAGE_CODEC_ERROR_FAILED);
  EXPECT_EQ(text, "Unexpected extra data");
}

TEST_F(CodecMalformedTest, MethodNameMustBeAString) {
  const char* const cases[] = {"00 00", "03 01000000 00", "0c 00 00",
                               "0d 00 00"};
  for (const char* hex : cases) {
    SCOPED_TRACE(hex);
    std::string text;
    EXPECT_EQ(CallError(Hex(hex), &text), FL_MESSAGE_CODEC_ERROR_FAILED);
    EXPECT_EQ(text, "Method call name wrong type");
  }
  // A name without arguments is cut short.
  EXPECT_EQ(CallError(Hex("07 01 61")), FL_MESSAGE_CODEC_ERROR_OUT_OF_DATA);
}

TEST_F(CodecMalformedTest, RejectsBadEnvelopes) {
  struct EnvelopeCase {
    const char* hex;
    int code;
    const char* text;
  };
  const EnvelopeCase cases[] = {
      {"", FL_MESSAGE_CODEC_ERROR_OUT_OF_DATA, "Empty response"},
      {"02 00", FL_MESSAGE_CODEC_ERROR_FAILED, "Unknown envelope type 02"},
      {"01 03 01000000 00 00", FL_MESSAGE_CODEC_ERROR_FAILED,
       "Error code wrong type"},
      {"01 07 01 45 03 01000000 00", FL_MESSAGE_CODEC_ERROR_FAILED,
       "Error message wrong type"},
  };
  for (const EnvelopeCase& c : cases) {
    SCOPED_TRACE(c.hex);
    std::string text;
    EXPECT_EQ(ResponseError(Hex(c.hex), &text), c.code);
    EXPECT_EQ(text, c.text);
  }
  EXPECT_EQ(ResponseError(Hex("01 07 01 45 00")),
            FL_MESSAGE_CODEC_ERROR_OUT_OF_DATA);
}

Bytes Nested(const char* level, size_t depth, const char* innermost) {
  Bytes one = Hex(level);
  Bytes out;
  for (size_t i = 0; i < depth; i++) {
    out.insert(out.end(), one.begin(), one.end());
  }
  Bytes end = Hex(innermost);
  out.insert(out.end(), end.begin(), end.end());
  return out;
}

TEST_F(CodecMalformedTest, DecodesRealisticNesting) {
  EXPECT_EQ(MessageError(Nested("0c 01", 1000, "00")), -1);
  EXPECT_EQ(MessageError(Nested("0d 01 00", 1000, "00")), -1);
}

// A fuzzer's favourite: nesting that would overflow the stack if followed.
TEST_F(CodecMalformedTest, RefusesHostileNesting) {
  const struct {
    const char* level;
    size_t depth;
  } cases[] = {
      {"0c 01", 100000},
      {"0d 01 00", 100000},
      {"0d 01 0c 01", 50000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    std::string text;
    EXPECT_EQ(MessageError(Nested(c.level, c.depth, "00"), &text),
              FL_MESSAGE_CODEC_ERROR_FAILED);
    EXPECT_NE(text.find("nested deeper"), std::string::npos) << text;
    // Cut short, it still fails on depth before running out of data.
    EXPECT_EQ(MessageError(Nested(c.level, c.depth, "")),
              FL_MESSAGE_CODEC_ERROR_FAILED);
  }
  // Refusing one message leaves the next one unaffected.
  EXPECT_EQ(MessageError(Nested("0c 01", 1000, "00")), -1);
}

}  // namespace
}  // namespace testing
}  // namespace quorvel
