#include "ogg_writer.h"

#include <cstdio>
#include <algorithm>

#ifdef M4_HAVE_VORBISENC
#include <vorbis/vorbisenc.h>
#endif

namespace ogg_writer {

#ifdef M4_HAVE_VORBISENC

namespace {

bool WritePage(std::FILE* fp, const ogg_page& page) {
    return std::fwrite(page.header, 1, static_cast<std::size_t>(page.header_len), fp) ==
               static_cast<std::size_t>(page.header_len) &&
           std::fwrite(page.body, 1, static_cast<std::size_t>(page.body_len), fp) ==
               static_cast<std::size_t>(page.body_len);
}

} // namespace

bool Available() {
    return true;
}

bool Write(const std::string& path, const std::vector<float>& samples, int rate, float quality) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 1, rate, quality) != 0) {
        vorbis_info_clear(&vi);
        return false;
    }
    std::FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) {
        vorbis_info_clear(&vi);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 4242); // a fixed serial number: the same file every run
    bool ok = true;

    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0)
        ok = WritePage(fp, page) && ok;

    constexpr std::size_t kChunk = 4096;
    std::size_t done = 0;
    bool ended = false;
    while (!ended) {
        const std::size_t n = std::min(kChunk, samples.size() - done);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (std::size_t i = 0; i < n; ++i)
                buffer[0][i] = samples[done + i];
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet) == 1) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    ok = WritePage(fp, page) && ok;
                    if (ogg_page_eos(&page)) ended = true;
                }
            }
        }
        if (n == 0) ended = true;
    }
    while (ogg_stream_flush(&os, &page) != 0)
        ok = WritePage(fp, page) && ok;

    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return std::fclose(fp) == 0 && ok;
}

#else

bool Available() {
    return false;
}

bool Write(const std::string&, const std::vector<float>&, int, float) {
    return false;
}

#endif

} // namespace ogg_writer
