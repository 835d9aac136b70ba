#include "main_window/drop.h"

DropSource drop_source_choose(const DropOffer &offer) {
    if (offer.files)
        return DropSource::files;
    if (offer.fileContents)
        return DropSource::fileContents;
    if (offer.png)
        return DropSource::png;
    if (offer.dibv5)
        return DropSource::dibv5;
    if (offer.dib)
        return DropSource::dib;
    return offer.linkOrText ? DropSource::notPicture : DropSource::none;
}

bool drop_size_fits(uint64_t size) {
    return size > 0 && size <= dropByteLimit;
}

std::string drop_file_name(const std::string &offered) {
    const size_t cut = offered.find_last_of("\\/");
    return cut == std::string::npos ? offered : offered.substr(cut + 1);
}
