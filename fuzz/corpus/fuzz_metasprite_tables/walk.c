#define PAL1 1
const unsigned char walk_0[]={
 -8,-16,0x10,0,
 0,-16,0x10,PAL1|OAM_FLIP_H, /* m */
 128
};
const unsigned char* const walk[]={walk_0};
