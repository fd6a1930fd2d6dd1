// The object "purchase-id" and "collections-id" take on standard input: exactly
// two string members, strict JSON, strict UTF-8; everything else is refused.
#include "flows/customer_id_input.h"

#include <gtest/gtest.h>

#include <string>

TEST(customer_id_input, the_two_members_in_either_order_with_any_json_white_space) {
    const struct {
        std::string json;
        wide_string ticket, user;
    } cases[] = {
        {R"({"serviceTicket":"t","publisherUserId":"u"})", WIDE("t"), WIDE("u")},
        {" \t\r\n{ \"publisherUserId\" :\n\"u\" , \"serviceTicket\":\"t\"\r\n}\r\n", WIDE("t"), WIDE("u")},
        {R"({"serviceTicket":"","publisherUserId":""})", WIDE(""), WIDE("")},
        // Escapes give the characters they name, control characters included.
        {R"({"serviceTicket":"a\r\u001a\u001A\"\\\/\b\f\n\t","publisherUserId":"\u00e9\ud83d\ude00"})",
         wide_string(WIDE("a\r\x1a\x1a\"\\/\b\f\n\t")), wide_string{0xE9, 0xD83D, 0xDE00}},
        // UTF-8 of every length, and a member name spelt with an escape.
        {"{\"service\\u0054icket\":\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\",\"publisherUserId\":\"\x7f\"}",
         wide_string{0xE9, 0x20AC, 0xD83D, 0xDE00}, wide_string{0x7F}},
    };
    for (const auto& c : cases) {
        const auto request = parse_customer_id_request(c.json);
        ASSERT_TRUE(request) << c.json;
        EXPECT_TRUE(request->service_ticket == c.ticket) << c.json;
        EXPECT_TRUE(request->publisher_user_id == c.user) << c.json;
    }
}

TEST(customer_id_input, anything_else_is_refused) {
    const std::string refused[] = {
        "",
        " \r\n",
        "{}",
        "[]",
        "null",
        R"("serviceTicket")",
        R"({"serviceTicket":"t"})",
        R"({"publisherUserId":"u"})",
        R"({"serviceTicket":"t","publisherUserId":"u","x":"y"})",
        R"({"serviceTicket":"t","serviceTicket":"t","publisherUserId":"u"})",
        R"({"serviceTicket":"t","publisherUserId":"u","publisherUserId":"u"})",
        R"({"serviceTicket":1,"publisherUserId":"u"})",
        R"({"serviceTicket":null,"publisherUserId":"u"})",
        R"({"serviceTicket":["t"],"publisherUserId":"u"})",
        R"({"serviceTicket":{"a":"b"},"publisherUserId":"u"})",
        R"({"serviceTicket":true,"publisherUserId":"u"})",
        R"({"serviceticket":"t","publisherUserId":"u"})",
        R"({"serviceTicket":"t","publisherUserId":"u",})",
        R"({"serviceTicket":"t" "publisherUserId":"u"})",
        R"({"serviceTicket":"t","publisherUserId":"u"}})",
        R"({"serviceTicket":"t","publisherUserId":"u"}{})",
        R"({"serviceTicket":"t","publisherUserId":"u"} x)",
        R"({"serviceTicket":"t","publisherUserId":"u")",
        R"({"serviceTicket":"t,"publisherUserId":"u"})",
        R"({'serviceTicket':'t','publisherUserId':'u'})",
        R"({serviceTicket:"t",publisherUserId:"u"})",
        // Escapes: unknown, short, or a surrogate without its pair.
        R"({"serviceTicket":"\x41","publisherUserId":"u"})",
        R"({"serviceTicket":"\u12","publisherUserId":"u"})",
        R"({"serviceTicket":"\u12G4","publisherUserId":"u"})",
        R"({"serviceTicket":"\ud83d","publisherUserId":"u"})",
        R"({"serviceTicket":"\ud83dx","publisherUserId":"u"})",
        R"({"serviceTicket":"\ud83d\u0041","publisherUserId":"u"})",
        R"({"serviceTicket":"\ude00\ud83d","publisherUserId":"u"})",
        R"({"serviceTicket":"t\","publisherUserId":"u"})",
        // White space JSON does not have, and a byte order mark.
        "{\"serviceTicket\":\"t\",\"publisherUserId\":\"u\"}\x1a",
        "\x1a{\"serviceTicket\":\"t\",\"publisherUserId\":\"u\"}",
        "{\"serviceTicket\":\"t\",\f\"publisherUserId\":\"u\"}",
        "\xef\xbb\xbf{\"serviceTicket\":\"t\",\"publisherUserId\":\"u\"}",
        // Raw control bytes inside a string.
        "{\"serviceTicket\":\"a\x1a\",\"publisherUserId\":\"u\"}",
        "{\"serviceTicket\":\"a\rb\",\"publisherUserId\":\"u\"}",
        "{\"serviceTicket\":\"a\nb\",\"publisherUserId\":\"u\"}",
        std::string("{\"serviceTicket\":\"a\0b\",\"publisherUserId\":\"u\"}", 45),
        // Invalid UTF-8: a stray continuation, a truncated sequence, an overlong
        // form, an encoded surrogate, a code point past U+10FFFF, bytes never used.
        "{\"serviceTicket\":\"\x80\",\"publisherUserId\":\"u\"}",
        "{\"serviceTicket\":\"\xc3\",\"publisherUserId\":\"u\"}",
        "{\"serviceTicket\":\"\xe2\x82\",\"publisherUserId\":\"u\"}",
        "{\"serviceTicket\":\"\xc0\xaf\",\"publisherUserId\":\"u\"}",
        "{\"serviceTicket\":\"\xe0\x80\xaf\",\"publisherUserId\":\"u\"}",
        "{\"serviceTicket\":\"\xed\xa0\x80\",\"publisherUserId\":\"u\"}",
        "{\"serviceTicket\":\"\xf4\x90\x80\x80\",\"publisherUserId\":\"u\"}",
        "{\"serviceTicket\":\"\xf5\x80\x80\x80\",\"publisherUserId\":\"u\"}",
        "{\"serviceTicket\":\"\xff\",\"publisherUserId\":\"u\"}",
        "{\"serviceTicket\":\"t\",\"publisherUserId\":\"u\"}\xc3\xa9",
    };
    for (const std::string& json : refused) EXPECT_FALSE(parse_customer_id_request(json)) << json;
}
