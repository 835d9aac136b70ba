// A picture in, its text out: the smallest program on the velkorandite library.
//   c++ -std=c++17 convert.cpp $(pkg-config --cflags --libs velkorandite) -o convert
//   ./convert photo.jpg [WIDTH]
// The text is CP932 with CR LF line ends, as the window's editor holds it.
#include <velkorandite.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("usage: convert PICTURE [WIDTH]\n", stderr);
        return 2;
    }
    velkorandite::Options options;
    if (argc == 3)
        options.width = std::atoi(argv[2]);
    velkorandite::Converter *converter = velkorandite::converter_new();
    if (converter == nullptr)
        return 1;
    const velkorandite::Text text = velkorandite::convert_file(*converter, argv[1], options);
    velkorandite::converter_free(converter);
    if (text.status != velkorandite::Status::converted) {
        std::fprintf(stderr, "convert: %s: %s\n", argv[1], text.message.c_str());
        return 1;
    }
    std::fwrite(text.text.data(), 1, text.text.size(), stdout);
    return 0;
}
