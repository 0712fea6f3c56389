#include "catalogue/countries.h"

namespace catalogue {
namespace {

struct Country {
    const char* name;
    const char* code;
};

// One table, so that a name and its code cannot drift apart.
constexpr Country kCountries[countryCount] = {
    {"Afghanistan", "AF"},                                           // 0
    {"Aland Islands", "AX"},                                         // 1
    {"Albania", "AL"},                                               // 2
    {"Algeria", "DZ"},                                               // 3
    {"American Samoa", "AS"},                                        // 4
    {"Andorra", "AD"},                                               // 5
    {"Angola", "AO"},                                                // 6
    {"Anguilla", "AI"},                                              // 7
    {"Antarctica", "AQ"},                                            // 8
    {"Antigua and Barbuda", "AG"},                                   // 9
    {"Argentina", "AR"},                                             // 10
    {"Armenia", "AM"},                                               // 11
    {"Aruba", "AW"},                                                 // 12
    {"Australia", "AU"},                                             // 13
    {"Austria", "AT"},                                               // 14
    {"Azerbaijan", "AZ"},                                            // 15
    {"Bahamas the", "BS"},                                           // 16
    {"Bahrain", "BH"},                                               // 17
    {"Bangladesh", "BD"},                                            // 18
    {"Barbados", "BB"},                                              // 19
    {"Belarus", "BY"},                                               // 20
    {"Belgium", "BE"},                                               // 21
    {"Belize", "BZ"},                                                // 22
    {"Benin", "BJ"},                                                 // 23
    {"Bermuda", "BM"},                                               // 24
    {"Bhutan", "BT"},                                                // 25
    {"Bolivia", "BO"},                                               // 26
    {"Bosnia and Herzegovina", "BA"},                                // 27
    {"Botswana", "BW"},                                              // 28
    {"Bouvet Island (Bouvetoya)", "BV"},                             // 29
    {"Brazil", "BR"},                                                // 30
    {"British Indian, Ocean Territory (Chagos Archipelago)", "IO"},  // 31
    {"British Virgin Islands", "VG"},                                // 32
    {"Brunei Darussalam", "BN"},                                     // 33
    {"Bulgaria", "BG"},                                              // 34
    {"Burkina Faso", "BF"},                                          // 35
    {"Burundi", "BI"},                                               // 36
    {"Cambodia", "KH"},                                              // 37
    {"Cameroon", "CM"},                                              // 38
    {"Canada", "CA"},                                                // 39
    {"Cape Verde", "CV"},                                            // 40
    {"Cayman Islands", "KY"},                                        // 41
    {"Central African Republic", "CF"},                              // 42
    {"Chad", "TD"},                                                  // 43
    {"Chile", "CL"},                                                 // 44
    {"China", "CN"},                                                 // 45
    {"Christmas Island", "CX"},                                      // 46
    {"Cocos (Keeling), Islands", "CC"},                              // 47
    {"Colombia", "CO"},                                              // 48
    {"Comoros the", "KM"},                                           // 49
    {"Congo", "CD"},                                                 // 50
    {"Congo the", "CG"},                                             // 51
    {"Cook Islands", "CK"},                                          // 52
    {"Costa Rica", "CR"},                                            // 53
    {"Cote d\"Ivoire", "CI"},                                        // 54
    {"Croatia", "HR"},                                               // 55
    {"Cuba", "CU"},                                                  // 56
    {"Cyprus", "CY"},                                                // 57
    {"Czech, Republic", "CZ"},                                       // 58
    {"Denmark", "DK"},                                               // 59
    {"Djibouti", "DJ"},                                              // 60
    {"Dominica", "DM"},                                              // 61
    {"Dominican Republic", "DO"},                                    // 62
    {"Ecuador", "EC"},                                               // 63
    {"Egypt", "EG"},                                                 // 64
    {"El Salvador", "SV"},                                           // 65
    {"Equatorial Guinea", "GQ"},                                     // 66
    {"Eritrea", "ER"},                                               // 67
    {"Estonia", "EE"},                                               // 68
    {"Ethiopia", "ET"},                                              // 69
    {"Faroe Islands", "FO"},                                         // 70
    {"Falkland Islands (Malvinas)", "FK"},                           // 71
    {"Fiji the Fiji Islands", "FJ"},                                 // 72
    {"Finland", "FI"},                                               // 73
    {"France, French Republic", "FR"},                               // 74
    {"French Guiana", "GF"},                                         // 75
    {"French Polynesia", "PF"},                                      // 76
    {"French Southern Territories", "TF"},                           // 77
    {"Gabon", "GA"},                                                 // 78
    {"Gambia the", "GM"},                                            // 79
    {"Georgia", "GE"},                                               // 80
    {"Germany", "DE"},                                               // 81
    {"Ghana", "GH"},                                                 // 82
    {"Gibraltar", "GI"},                                             // 83
    {"Greece", "GR"},                                                // 84
    {"Greenland", "GL"},                                             // 85
    {"Grenada", "GD"},                                               // 86
    {"Guadeloupe", "GP"},                                            // 87
    {"Guam", "GU"},                                                  // 88
    {"Guatemala", "GT"},                                             // 89
    {"Guernsey", "GG"},                                              // 90
    {"Guinea", "GN"},                                                // 91
    {"Guinea-Bissau", "GW"},                                         // 92
    {"Guyana", "GY"},                                                // 93
    {"Haiti", "HT"},                                                 // 94
    {"Heard Island and McDonald Islands", "HM"},                     // 95
    {"Holy See (Vatican City State)", "VA"},                         // 96
    {"Honduras", "HN"},                                              // 97
    {"Hong Kong", "HK"},                                             // 98
    {"Hungary", "HU"},                                               // 99
    {"Iceland", "IS"},                                               // 100
    {"India", "IN"},                                                 // 101
    {"Indonesia", "ID"},                                             // 102
    {"Iran", "IR"},                                                  // 103
    {"Iraq", "IQ"},                                                  // 104
    {"Ireland", "IE"},                                               // 105
    {"Isle of Man", "IM"},                                           // 106
    {"Israel", "IL"},                                                // 107
    {"Italy", "IT"},                                                 // 108
    {"Jamaica", "JM"},                                               // 109
    {"Japan", "JP"},                                                 // 110
    {"Jersey", "JE"},                                                // 111
    {"Jordan", "JO"},                                                // 112
    {"Kazakhstan", "KZ"},                                            // 113
    {"Kenya", "KE"},                                                 // 114
    {"Kiribati", "KI"},                                              // 115
    {"Korea", "KP"},                                                 // 116
    {"Korea", "KR"},                                                 // 117
    {"Kuwait", "KW"},                                                // 118
    {"Kyrgyz Republic", "KG"},                                       // 119
    {"Lao", "LA"},                                                   // 120
    {"Latvia", "LV"},                                                // 121
    {"Lebanon", "LB"},                                               // 122
    {"Lesotho", "LS"},                                               // 123
    {"Liberia", "LR"},                                               // 124
    {"Libyan Arab Jamahiriya", "LY"},                                // 125
    {"Liechtenstein", "LI"},                                         // 126
    {"Lithuania", "LT"},                                             // 127
    {"Luxembourg", "LU"},                                            // 128
    {"Macao", "MO"},                                                 // 129
    {"Macedonia", "MK"},                                             // 130
    {"Madagascar", "MG"},                                            // 131
    {"Malawi", "MW"},                                                // 132
    {"Malaysia", "MY"},                                              // 133
    {"Maldives", "MV"},                                              // 134
    {"Mali", "ML"},                                                  // 135
    {"Malta", "MT"},                                                 // 136
    {"Marshall Islands", "MH"},                                      // 137
    {"Martinique", "MQ"},                                            // 138
    {"Mauritania", "MR"},                                            // 139
    {"Mauritius", "MU"},                                             // 140
    {"Mayotte", "YT"},                                               // 141
    {"Mexico", "MX"},                                                // 142
    {"Micronesia", "FM"},                                            // 143
    {"Moldova", "MD"},                                               // 144
    {"Monaco", "MC"},                                                // 145
    {"Mongolia", "MN"},                                              // 146
    {"Montenegro", "ME"},                                            // 147
    {"Montserrat", "MS"},                                            // 148
    {"Morocco", "MA"},                                               // 149
    {"Mozambique", "MZ"},                                            // 150
    {"Myanmar", "MM"},                                               // 151
    {"Namibia", "NA"},                                               // 152
    {"Nauru", "NR"},                                                 // 153
    {"Nepal", "NP"},                                                 // 154
    {"Netherlands Antilles", "AN"},                                  // 155
    {"Netherlands the", "NL"},                                       // 156
    {"New Caledonia", "NC"},                                         // 157
    {"New Zealand", "NZ"},                                           // 158
    {"Nicaragua", "NI"},                                             // 159
    {"Niger", "NE"},                                                 // 160
    {"Nigeria", "NG"},                                               // 161
    {"Niue", "NU"},                                                  // 162
    {"Norfolk Island", "NF"},                                        // 163
    {"Northern Mariana Islands", "MP"},                              // 164
    {"Norway", "NO"},                                                // 165
    {"Oman", "OM"},                                                  // 166
    {"Pakistan", "PK"},                                              // 167
    {"Palau", "PW"},                                                 // 168
    {"Palestinian Territory", "PS"},                                 // 169
    {"Panama", "PA"},                                                // 170
    {"Papua New Guinea", "PG"},                                      // 171
    {"Paraguay", "PY"},                                              // 172
    {"Peru", "PE"},                                                  // 173
    {"Philippines", "PH"},                                           // 174
    {"Pitcairn Islands", "PN"},                                      // 175
    {"Poland", "PL"},                                                // 176
    {"Portugal, Portuguese Republic", "PT"},                         // 177
    {"Puerto Rico", "PR"},                                           // 178
    {"Qatar", "QA"},                                                 // 179
    {"Reunion", "RE"},                                               // 180
    {"Romania", "RO"},                                               // 181
    {"Russian Federation", "RU"},                                    // 182
    {"Rwanda", "RW"},                                                // 183
    {"Saint Barthelemy", "BL"},                                      // 184
    {"Saint Helena", "SH"},                                          // 185
    {"Saint Kitts and Nevis", "KN"},                                 // 186
    {"Saint Lucia", "LC"},                                           // 187
    {"Saint Martin", "MF"},                                          // 188
    {"Saint Pierre and Miquelon", "PM"},                             // 189
    {"Saint Vincent, and the Grenadines", "VC"},                     // 190
    {"Samoa", "WS"},                                                 // 191
    {"San Marino", "SM"},                                            // 192
    {"Sao Tome and Principe", "ST"},                                 // 193
    {"Saudi Arabia", "SA"},                                          // 194
    {"Senegal", "SN"},                                               // 195
    {"Serbia", "RS"},                                                // 196
    {"Seychelles", "SC"},                                            // 197
    {"Sierra Leone", "SL"},                                          // 198
    {"Singapore", "SG"},                                             // 199
    {"Slovakia (Slovak Republic)", "SK"},                            // 200
    {"Slovenia", "SI"},                                              // 201
    {"Solomon Islands", "SB"},                                       // 202
    {"Somalia, Somali Republic", "SO"},                              // 203
    {"South Africa", "ZA"},                                          // 204
    {"South Georgia and the, South Sandwich Islands", "GS"},         // 205
    {"Spain", "ES"},                                                 // 206
    {"Sri Lanka", "LK"},                                             // 207
    {"Sudan", "SD"},                                                 // 208
    {"Suriname", "SR"},                                              // 209
    {"Svalbard & Jan Mayen Islands", "SJ"},                          // 210
    {"Swaziland", "SZ"},                                             // 211
    {"Sweden", "SE"},                                                // 212
    {"Switzerland, Swiss, Confederation", "CH"},                     // 213
    {"Syrian Arab Republic", "SY"},                                  // 214
    {"Taiwan", "TW"},                                                // 215
    {"Tajikistan", "TJ"},                                            // 216
    {"Tanzania", "TZ"},                                              // 217
    {"Thailand", "TH"},                                              // 218
    {"Timor-Leste", "TL"},                                           // 219
    {"Togo", "TG"},                                                  // 220
    {"Tokelau", "TK"},                                               // 221
    {"Tonga", "TO"},                                                 // 222
    {"Trinidad and, Tobago", "TT"},                                  // 223
    {"Tunisia", "TN"},                                               // 224
    {"Turkey", "TR"},                                                // 225
    {"Turkmenistan", "TM"},                                          // 226
    {"Turks and Caicos Islands", "TC"},                              // 227
    {"Tuvalu", "TV"},                                                // 228
    {"Uganda", "UG"},                                                // 229
    {"Ukraine", "UA"},                                               // 230
    {"United Arab Emirates", "AE"},                                  // 231
    {"United Kingdom", "GB"},                                        // 232
    {"United, States of America", "US"},                             // 233
    {"United States Minor Outlying Islands", "UM"},                  // 234
    {"United States Virgin Islands", "VI"},                          // 235
    {"Uruguay, Eastern Republic of", "UY"},                          // 236
    {"Uzbekistan", "UZ"},                                            // 237
    {"Vanuatu", "VU"},                                               // 238
    {"Venezuela", "VE"},                                             // 239
    {"Vietnam", "VN"},                                               // 240
    {"Wallis and Futuna", "WF"},                                     // 241
    {"Western Sahara", "EH"},                                        // 242
    {"Yemen", "YE"},                                                 // 243
    {"Zambia", "ZM"},                                                // 244
    {"Zimbabwe", "ZW"},                                              // 245
};

template <typename Field>
std::array<std::string, countryCount> column(Field field) {
    std::array<std::string, countryCount> result;
    for (int i = 0; i < countryCount; ++i) result[i] = kCountries[i].*field;
    return result;
}

}  // namespace

const std::array<std::string, countryCount> countryNames = column(&Country::name);
const std::array<std::string, countryCount> countryCodes = column(&Country::code);

}  // namespace catalogue
