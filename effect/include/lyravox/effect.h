#ifndef LYRAVOX_EFFECT_H
#define LYRAVOX_EFFECT_H
/*
 * liblyravox-effect: the Lyravox effect control.
 *
 * The control holds ONE sound per process (shared by every instance), reads WAV and Sun AU
 * files, writes WAV files, rewrites the sound with effects and plays it through PulseAudio.
 * It is called by dispatch identifier (LVX_DISPID_*), the way a script host calls a late-bound
 * object.
 *
 * Threads
 *   - Call every function of an instance from one thread (the container's thread). Different
 *     instances may live on different threads.
 *   - Long actions run on a worker thread owned by the library; playback runs on PulseAudio's
 *     thread. Neither ever calls the container's event sink: they queue the event on the
 *     instance that last called InputFileOpen, ReadFromTo or PlayFromTo (the "notify
 *     instance") and make its lvx_effect_event_fd() readable. The container then calls
 *     lvx_effect_deliver_events() on its own thread, which fires them in posting order.
 *   - A few events are "fired directly": EndOfAction(12) by InputFileSave, SaveFromTo and
 *     Average, EndOfAction(8) by FadeIn and EndOfAction(9) by FadeOut. They reach the calling
 *     instance's sink before lvx_effect_invoke() returns, through the sink and context that
 *     were last passed to lvx_effect_deliver_events() for that instance. An instance that has
 *     never been given a sink queues them like posted events instead.
 *   - The message sink (file errors, the about text) may be called from a worker thread and
 *     from the caller's thread. The worker waits until it returns, so it must not wait for the
 *     container's thread. Without a sink, messages go to standard error.
 *
 * Typical use from an event loop (a Qt container watches the descriptor with a
 * QSocketNotifier):
 *     lvx_effect *fx = lvx_effect_create();
 *     lvx_variant path = {LVX_STR, {.str = "/tmp/song.wav"}}, r;
 *     lvx_effect_invoke(fx, LVX_DISPID_INPUT_FILE_OPEN, LVX_METHOD, &path, 1, &r);
 *     when lvx_effect_event_fd(fx) is readable:
 *         lvx_effect_deliver_events(fx, on_event, ctx);  // EndOfAction(1) arrives here
 *
 * Sound and ranges
 *   - Samples are kept as in a PCM WAV data chunk: interleaved frames, 8-bit unsigned or 16-bit
 *     signed little-endian, mono or stereo. Seconds arguments (SecA, SecB) are whole seconds of
 *     the sound loaded at the time of the call.
 *   - Only one action runs at a time in the process. A method that would start work while one
 *     runs answers 900. StopEffect ends a stoppable action at once; an action that cannot be
 *     stopped still finishes before the next action touches the sound (the next call waits).
 *     This holds for the methods that work on the caller's thread too (InputFileSave,
 *     SaveFromTo, Average, FadeIn, FadeOut), whichever thread calls StopEffect: a save stops
 *     within a megabyte and fails, the others finish their pass; a call from another thread
 *     that starts new work meanwhile waits until the first call has let go of the sound.
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define LVX_EFFECT_API __attribute__((visibility("default")))
#else
#define LVX_EFFECT_API
#endif

typedef struct lvx_effect lvx_effect; /* one control instance */

typedef enum { LVX_EMPTY, LVX_I2, LVX_I4, LVX_R4, LVX_R8, LVX_BOOL, LVX_STR } lvx_vt;
typedef struct {
    lvx_vt vt;
    union {
        int16_t i2;
        int32_t i4;
        float r4;
        double r8;
        int32_t b; /* 0 FALSE, anything else TRUE; results use 1 */
        const char *str;
    } v;
} lvx_variant;

enum { LVX_METHOD = 1, LVX_PROPGET = 2, LVX_PROPPUT = 4 };

/* Dispatch identifiers. Arguments in this order; "short" is LVX_I2, "long" LVX_I4, "float"
 * LVX_R4, "double" LVX_R8, "string" LVX_STR (a path, UTF-8 or the file system's bytes).
 * Integer arguments may also be passed as LVX_I2, LVX_I4 or LVX_BOOL when the value fits;
 * float and double arguments accept any numeric type. Results are LVX_I2 unless noted.
 * Every member that starts work on the sound answers 900 while an action (or playback) runs
 * and 903 before a load; worker actions then report OnActionPosition and their EndOfAction
 * to the notify instance. Loads, Eq and a few analysis passes cannot be stopped: after
 * StopEffect they run to their end and report it as usual. */
enum {
    LVX_DISPID_IN_ACTION = 1,       /* property BOOL: TRUE from the start of an action of this
                                       instance until an end event is delivered to it */
    LVX_DISPID_M_AMPLITUDE = 2,     /* property long: stored only, initially 0 */
    LVX_DISPID_INPUT_FILE_OPEN = 3, /* (string FileName): 0, 900, 901, 902. Returns once the
                                       file is opened and its first bytes read, then after at
                                       most 100 ms; a started load always ends with
                                       EndOfAction(1). A load that fails before it reads the
                                       sample data (no such file, a folder, a bad header)
                                       keeps the sound loaded before; one that fails while
                                       reading them leaves no sound (later methods answer
                                       903) */
    LVX_DISPID_PLAY = 4,            /* (): 0, 900, 903, 904-907; EndOfAction(9) at the end */
    LVX_DISPID_INPUT_FILE_SAVE = 5, /* (string FileName): 0, 900, 903; 12 fired, 8 posted
                                       only when the file was written. A regular file is
                                       written under a temporary name beside it and renamed
                                       into place: a failed or stopped save (message sent)
                                       leaves an existing file as it was. StopEffect stops a
                                       save between pieces of about a megabyte */
    LVX_DISPID_SHIFTING = 6,        /* (short mode: -5..6, others leave the pitch as it is;
                                       long size: power of two 32..32768): 1, 900, 903;
                                       EndOfAction(7) */
    LVX_DISPID_ECHO = 7,            /* (short delay ms, short ratio %): 1; EndOfAction(4) */
    LVX_DISPID_REVERB = 8,          /* (short delay ms, short ratio %): 0; EndOfAction(6) */
    LVX_DISPID_CHORUS = 9,          /* (short delay ms, short depth ms, float rate Hz,
                                       short waveform 0 sine/1 triangle, short dry %,
                                       short wet %, short invert_feedback, short mixing,
                                       short feedback %): 0; EndOfAction(2) */
    LVX_DISPID_DISTORTION = 10,     /* (short dry_out, distorted_out, threshold_level,
                                       clamp_level: percent; short gate): 0; EndOfAction(3) */
    LVX_DISPID_EQ = 11,             /* (short gains1..gains9 %, short filter_dry %): 0;
                                       EndOfAction(5); cannot be stopped */
    LVX_DISPID_STOP = 12,           /* (): 0, or 908 when nothing plays */
    LVX_DISPID_PRE_VIEW = 13,       /* (short PerCent): 0; share of a WAV data chunk that
                                       later loads read (initially 100) */
    LVX_DISPID_GET_DEV_PARAM = 14,  /* (short iDev, -1 = device 0): LVX_I4 format flags
                                       (WAVE_FORMAT_* bit set), or -1 for no such device */
    LVX_DISPID_FADE_IN = 16,        /* (short Seconds10th): 1, 900, 903; 8 fired */
    LVX_DISPID_FADE_OUT = 17,       /* (short Seconds10th): 1, 900, 903; 9 fired */
    LVX_DISPID_PLAY_FROM_TO = 18,   /* (short SecA, short SecB): 0, 900, 909, 904-907 when
                                       no stream could be opened (nothing plays, no event);
                                       makes this the notify instance; no load test;
                                       EndOfAction(9) at the end */
    LVX_DISPID_SAVE_FROM_TO = 19,   /* (string FileName, short SecA, short SecB): 0, 900, 903,
                                       909; 12 fired, 8 posted; written as InputFileSave */
    LVX_DISPID_SET_VOLUME = 20,     /* (short LeftVolume, short RightVolume, 0..100): 0; the
                                       playing stream and later ones get n x 655 / 65535 */
    LVX_DISPID_INVERT = 21,         /* (): 900 while its worker runs (the normal answer: it
                                       means "started"), 1 if already done, 903;
                                       EndOfAction(10) */
    LVX_DISPID_PEGEL = 22,          /* (double Factor; below 0 normalises): 0; EndOfAction(11) */
    LVX_DISPID_READ_FROM_TO = 23,   /* (short SecA, short SecB): reloads that part of the last
                                       opened file; as InputFileOpen */
    LVX_DISPID_FREQUENCY = 24,      /* (double Factor): 0, changes nothing */
    LVX_DISPID_GET_VERSION = 25,    /* (): 110 */
    LVX_DISPID_GET_TOTAL_TIME = 26, /* (): whole seconds of the sound, 0 before any load;
                                       32767 for a longer sound (the value is 16-bit). Seconds
                                       arguments therefore never lie beyond a long sound */
    LVX_DISPID_AVERAGE = 27,        /* (): mean level in percent, 900, 903; 12 fired */
    LVX_DISPID_C_FILTER = 28,       /* (short Factor): 0; EndOfAction(13) */
    LVX_DISPID_AMPLITUDE = 29,      /* (): mean offset found by the previous run, truncated;
                                       EndOfAction(14) */
    LVX_DISPID_STOP_EFFECT = 30,    /* (): 0; ends the running action without an end event;
                                       playback goes on (Stop ends it) */
    LVX_DISPID_ABOUT_BOX = -552     /* (): no result (LVX_EMPTY); text to the message sink */
};

/* Result codes of the methods. */
enum {
    LVX_E_BUSY = 900,           /* an action is running */
    LVX_E_OPEN = 901,           /* the file cannot be opened, or its name is empty */
    LVX_E_FORMAT = 902,         /* not a readable WAV or AU file */
    LVX_E_NOT_LOADED = 903,     /* no sound has been loaded */
    LVX_E_DEV_ALLOCATED = 904,  /* the output device is busy (suspended or refused) */
    LVX_E_DEV_NO_DRIVER = 905,  /* no sound server reachable, or no such output sink */
    LVX_E_DEV_NO_MEMORY = 906,  /* not enough memory for the output stream; also any member
                                   that could not get the memory or the thread it needs (a
                                   message says which; no action runs) */
    LVX_E_DEV_BAD_FORMAT = 907, /* the sound's format cannot be played */
    LVX_E_NOT_PLAYING = 908,    /* Stop while nothing plays */
    LVX_E_BEYOND_END = 909      /* SecB lies beyond the sound's whole seconds */
};

/* Events (event_dispid) and the EndOfAction codes (arg). */
enum { LVX_EVENT_END_OF_ACTION = 1, LVX_EVENT_ACTION_POSITION = 2 /* arg: percent 0..100 */ };
enum {
    LVX_END_LOAD = 1, /* a load finished or its file could not be opened */
    LVX_END_CHORUS = 2,
    LVX_END_DISTORTION = 3,
    LVX_END_ECHO = 4,
    LVX_END_EQ = 5,
    LVX_END_REVERB = 6,
    LVX_END_SHIFTING = 7,
    LVX_END_WAV_WRITTEN = 8, /* posted by the writer; fired directly by FadeIn */
    LVX_END_PLAYBACK = 9,    /* posted after every playback; fired directly by FadeOut */
    LVX_END_INVERT = 10,
    LVX_END_PEGEL = 11,
    LVX_END_DONE = 12, /* fired directly by InputFileSave, SaveFromTo, Average */
    LVX_END_C_FILTER = 13,
    LVX_END_AMPLITUDE = 14
};

/* Creates an instance (reads $XDG_CONFIG_HOME/lyravox/effect.ini). Never NULL. */
LVX_EFFECT_API lvx_effect *lvx_effect_create(void);
/* Stops playback if it runs. Destroying the last instance also stops the running action,
 * waits for its worker and releases the sound. Not from inside the instance's own sink. */
LVX_EFFECT_API void lvx_effect_destroy(lvx_effect *);

/* Calls a member by its dispatch identifier; args in declaration order. `result` may be NULL.
 * Returns 0, or -1 for an unknown identifier, a wrong kind, count or argument type, or an
 * argument value the member cannot take (a Shifting size that is not a power of two from 32
 * to 32768). Failures of the member itself are its result codes (900 ... 909). */
LVX_EFFECT_API int lvx_effect_invoke(lvx_effect *, int dispid, int kind, const lvx_variant *args,
                                     int nargs, lvx_variant *result);

/* A non-blocking descriptor (eventfd) that is readable while events wait for this instance.
 * Owned by the instance; lvx_effect_deliver_events() drains it. */
LVX_EFFECT_API int lvx_effect_event_fd(lvx_effect *);

/* Fires the waiting events on the caller's thread, in the order they were posted:
 * event 1 EndOfAction(code), event 2 OnActionPosition(percent). Returns how many. The sink may
 * call lvx_effect_invoke (for example start the next action from EndOfAction); events posted
 * meanwhile wait for the next call. InAction is cleared just before an EndOfAction is fired.
 * The sink and context are remembered for the events fired directly (see above); a NULL sink
 * discards the waiting events. */
typedef void (*lvx_event_sink)(void *ctx, int event_dispid, int arg);
LVX_EFFECT_API int lvx_effect_deliver_events(lvx_effect *, lvx_event_sink, void *ctx);

/* The format of the loaded sound (shared by all instances): returns 1 and fills the fields
 * (any pointer may be NULL), or 0 when no sound is loaded. Bits are 8 (unsigned samples) or
 * 16 (signed little-endian); bytes counts the sample data. */
LVX_EFFECT_API int lvx_effect_get_format(lvx_effect *, int *channels, int *bits,
                                         int32_t *sample_rate, int32_t *bytes);

/* Process-wide receiver of the control's English messages; NULL restores standard error.
 * Messages are passed one at a time; when this returns, the previous sink is no longer
 * running and its context may be freed. */
typedef void (*lvx_message_sink)(void *ctx, const char *text);
LVX_EFFECT_API void lvx_effect_set_message_sink(lvx_message_sink, void *ctx);

#ifdef __cplusplus
}
#endif
#endif
