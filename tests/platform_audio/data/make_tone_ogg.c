/* Writes tone.ogg: half a second of a 440 Hz sine, mono, 22050 Hz, OGG Vorbis.
   "make_tone_ogg SECONDS FILE" writes SECONDS of the same sine to FILE instead, one page for
   each packet, so that a page can be damaged in the middle of the sound
   (tone-2s.ogg: make_tone_ogg 2 tone-2s.ogg).
   Build: cc make_tone_ogg.c -o make_tone_ogg -lvorbisenc -lvorbis -logg -lm */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <vorbis/vorbisenc.h>

int main(int argc, char** argv) {
    const int rate = 22050;
    const int frames = argc > 2 ? (int)(rate * atof(argv[1])) : rate / 2;
    const char* name = argc > 2 ? argv[2] : "tone.ogg";
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 1, rate, 0.0f) != 0) return 1;
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1);
    ogg_packet h, hc, hcode;
    vorbis_analysis_headerout(&vd, &vc, &h, &hc, &hcode);
    ogg_stream_packetin(&os, &h);
    ogg_stream_packetin(&os, &hc);
    ogg_stream_packetin(&os, &hcode);
    FILE* out = fopen(name, "wb");
    ogg_page og;
    while (ogg_stream_flush(&os, &og)) {
        fwrite(og.header, 1, og.header_len, out);
        fwrite(og.body, 1, og.body_len, out);
    }
    float** buf = vorbis_analysis_buffer(&vd, frames);
    for (int i = 0; i < frames; ++i) buf[0][i] = 0.5f * sinf(2.0f * 3.14159265f * 440.0f * i / rate);
    vorbis_analysis_wrote(&vd, frames);
    vorbis_analysis_wrote(&vd, 0);
    ogg_packet op;
    int eos = 0;
    while (!eos && vorbis_analysis_blockout(&vd, &vb) == 1) {
        vorbis_analysis(&vb, NULL);
        vorbis_bitrate_addblock(&vb);
        while (vorbis_bitrate_flushpacket(&vd, &op)) {
            ogg_stream_packetin(&os, &op);
            while (!eos && (argc > 2 ? ogg_stream_flush(&os, &og) : ogg_stream_pageout(&os, &og))) {
                fwrite(og.header, 1, og.header_len, out);
                fwrite(og.body, 1, og.body_len, out);
                if (ogg_page_eos(&og)) eos = 1;
            }
        }
    }
    while (ogg_stream_flush(&os, &og)) {
        fwrite(og.header, 1, og.header_len, out);
        fwrite(og.body, 1, og.body_len, out);
    }
    fclose(out);
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return 0;
}
