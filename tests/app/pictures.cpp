#include "pictures.h"

#include <stdexcept>
#include <string_view>

namespace app_test {
namespace {

// The screens as they look, one line per row from row 1, each under its colours: the same
// shape, one letter per cell naming the foreground of the text drawn there (on black):
// G 7 light grey, L 10 light green, C 11 light cyan, Y 14 yellow, W 15 white. A letter over
// a blank cell says how the blank was written; a blank shows no foreground, so nothing
// checks it.

constexpr std::string_view kMainScreen = R"(

  Orvane-Table :: Quillframe Terminal Toolkit v5.05 Demo

  Numbers Cubed (Raised to the power of 3, see examples)

  No.  Cubed    No.   Cubed    No.   Cubed    No.   Cubed   EXAMPLES
  -------------------------------------------------------
   1       1    31   29,791    61  226,981    91  753,571   64 is 4 cubed
   2       8    32   32,768    62  238,328    92  778,688
   3      27    33   35,937    63  250,047    93  804,357   4 x 4 x 4
   4      64    34   39,304    64  262,144    94  830,584
   5     125    35   42,875    65  274,625    95  857,375   729 is 9 cubed
   6     216    36   46,656    66  287,496    96  884,736
   7     343    37   50,653    67  300,763    97  912,673   9 x 9 x 9
   8     512    38   54,872    68  314,432    98  941,192
   9     729    39   59,319    69  328,509    99  970,299
  10   1,000    40   64,000    70  343,000

  11   1,331    41   68,921    71  357,911    User Options - Main
  12   1,728    42   74,088    72  373,248
  13   2,197    43   79,507    73  389,017    Press A Letter
  14   2,744    44   85,184    74  405,224
  15   3,375    45   91,125    75  421,875    F - Save Results to File
  16   4,096    46   97,336    76  438,976
  17   4,913    47  103,823    77  456,533    P - Print Out Results
  18   5,832    48  110,592    78  474,552
  19   6,859    49  117,649    79  493,039    X - Exit This Program
  20   8,000    50  125,000    80  512,000

  21   9,261    51  132,651    81  531,441
  22  10,648    52  140,608    82  551,368
  23  12,167    53  148,877    83  571,787
  24  13,824    54  157,464    84  592,704
  25  15,625    55  166,375    85  614,125
  26  17,576    56  175,616    86  636,056
  27  19,683    57  185,193    87  658,503
  28  21,952    58  195,112    88  681,472
  29  24,389    59  205,379    89  704,969
  30  27,000    60  216,000    90  729,000)";
constexpr std::string_view kMainScreenColours = R"(

WWWWWWWWWWWWWWCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCC

YYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYY

WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW   WWWWWWWW
WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW   WWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW   WWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY   WWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW   WWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    YYYYYYYYYYY
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY

  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    CCCCCCCCCCCCCCCCCCCC
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY    WWW CCCCCCCCCCCCCCCCCCCC
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWW YYYYYYYYYYYYYYYYYYYY
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWW CCCCCCCCCCCCCCCCCCCC
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY

  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY)";

constexpr std::string_view kEntryScreen = R"(

  Orvane-Table :: Quillframe Terminal Toolkit v5.05 Demo

  Numbers Cubed (Raised to the power of 3, see examples)

  No.  Cubed    No.   Cubed    No.   Cubed    No.   Cubed   EXAMPLES
  -------------------------------------------------------
   1       1    31   29,791    61  226,981    91  753,571   64 is 4 cubed
   2       8    32   32,768    62  238,328    92  778,688
   3      27    33   35,937    63  250,047    93  804,357   4 x 4 x 4
   4      64    34   39,304    64  262,144    94  830,584
   5     125    35   42,875    65  274,625    95  857,375   729 is 9 cubed
   6     216    36   46,656    66  287,496    96  884,736
   7     343    37   50,653    67  300,763    97  912,673   9 x 9 x 9
   8     512    38   54,872    68  314,432    98  941,192
   9     729    39   59,319    69  328,509    99  970,299
  10   1,000    40   64,000    70  343,000

  11   1,331    41   68,921    71  357,911    User Options - File Save
  12   1,728    42   74,088    72  373,248
  13   2,197    43   79,507    73  389,017    Follow all the instructions
  14   2,744    44   85,184    74  405,224    as shown below.
  15   3,375    45   91,125    75  421,875
  16   4,096    46   97,336    76  438,976
  17   4,913    47  103,823    77  456,533
  18   5,832    48  110,592    78  474,552
  19   6,859    49  117,649    79  493,039
  20   8,000    50  125,000    80  512,000

  21   9,261    51  132,651    81  531,441    Enter Filename
  22  10,648    52  140,608    82  551,368
  23  12,167    53  148,877    83  571,787    (5 to 25 characters)
  24  13,824    54  157,464    84  592,704
  25  15,625    55  166,375    85  614,125    >>
  26  17,576    56  175,616    86  636,056
  27  19,683    57  185,193    87  658,503
  28  21,952    58  195,112    88  681,472
  29  24,389    59  205,379    89  704,969
  30  27,000    60  216,000    90  729,000


  Legal Characters to use are A to Z  a to z  0 to 9  and the hyphen -
  Type your desired characters in the space after >> above, then press
  the ENTER Key. FILENAME.TXT will be saved to the folder TEMP on Drive-C
  If the TEMP folder does not already exist, Orvane-Table will create it.

  Enter FILE or SAVE to recall the Save File Menu -OR- enter CANCEL or
  USER to Return to User Options. Enter END or EXIT to end this program.)";
constexpr std::string_view kEntryScreenColours = R"(

WWWWWWWWWWWWWWCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCC

YYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYY

WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW   WWWWWWWW
WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW   WWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW   WWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY   WWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW   WWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    YYYYYYYYYYY
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY

  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWWWWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    YYYYYYYYYYYYYYYYYYYYYYYYYYY
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    YYYYYYYYYYYYYYY
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY

  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    CCCCCCCCCCCCCC
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    CCCCCCCCCCCCCCCCCCCC
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY    WW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY


  YYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYY
  YYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYY
  YYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYY
  YYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYY

  WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW
  WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW)";

constexpr std::string_view kFileMenuScreen = R"(

  Orvane-Table :: Quillframe Terminal Toolkit v5.05 Demo

  Numbers Cubed (Raised to the power of 3, see examples)

  No.  Cubed    No.   Cubed    No.   Cubed    No.   Cubed   EXAMPLES
  -------------------------------------------------------
   1       1    31   29,791    61  226,981    91  753,571   64 is 4 cubed
   2       8    32   32,768    62  238,328    92  778,688
   3      27    33   35,937    63  250,047    93  804,357   4 x 4 x 4
   4      64    34   39,304    64  262,144    94  830,584
   5     125    35   42,875    65  274,625    95  857,375   729 is 9 cubed
   6     216    36   46,656    66  287,496    96  884,736
   7     343    37   50,653    67  300,763    97  912,673   9 x 9 x 9
   8     512    38   54,872    68  314,432    98  941,192
   9     729    39   59,319    69  328,509    99  970,299
  10   1,000    40   64,000    70  343,000

  11   1,331    41   68,921    71  357,911    User Options - File Save
  12   1,728    42   74,088    72  373,248
  13   2,197    43   79,507    73  389,017    Press A Letter
  14   2,744    44   85,184    74  405,224
  15   3,375    45   91,125    75  421,875    S - Save to File
  16   4,096    46   97,336    76  438,976
  17   4,913    47  103,823    77  456,533    G - User Options - Main
  18   5,832    48  110,592    78  474,552
  19   6,859    49  117,649    79  493,039    X - Exit This Program
  20   8,000    50  125,000    80  512,000

  21   9,261    51  132,651    81  531,441
  22  10,648    52  140,608    82  551,368
  23  12,167    53  148,877    83  571,787
  24  13,824    54  157,464    84  592,704
  25  15,625    55  166,375    85  614,125
  26  17,576    56  175,616    86  636,056
  27  19,683    57  185,193    87  658,503
  28  21,952    58  195,112    88  681,472
  29  24,389    59  205,379    89  704,969
  30  27,000    60  216,000    90  729,000)";
constexpr std::string_view kFileMenuScreenColours = R"(

WWWWWWWWWWWWWWCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCC

YYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYY

WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW   WWWWWWWW
WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW   WWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW   WWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY   WWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW   WWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    YYYYYYYYYYY
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY

  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWWWWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    CCCCCCCCCCCCCCCCCCCCCCCCC
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY    WWW CCCCCCCCCCCCCCCCCCCC
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWW YYYYYYYYYYYYYYYYYYYY
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWW CCCCCCCCCCCCCCCCCCCC
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY

  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY)";

constexpr std::string_view kRefusalScreen = R"(

  Orvane-Table :: Quillframe Terminal Toolkit v5.05 Demo

  Numbers Cubed (Raised to the power of 3, see examples)

  No.  Cubed    No.   Cubed    No.   Cubed    No.   Cubed   EXAMPLES
  -------------------------------------------------------
   1       1    31   29,791    61  226,981    91  753,571   64 is 4 cubed
   2       8    32   32,768    62  238,328    92  778,688
   3      27    33   35,937    63  250,047    93  804,357   4 x 4 x 4
   4      64    34   39,304    64  262,144    94  830,584
   5     125    35   42,875    65  274,625    95  857,375   729 is 9 cubed
   6     216    36   46,656    66  287,496    96  884,736
   7     343    37   50,653    67  300,763    97  912,673   9 x 9 x 9
   8     512    38   54,872    68  314,432    98  941,192
   9     729    39   59,319    69  328,509    99  970,299
  10   1,000    40   64,000    70  343,000

  11   1,331    41   68,921
  12   1,728    42   74,088    WHAT !?  M I C R O S O F T ..?  PLEASE !!
  13   2,197    43   79,507
  14   2,744    44   85,184
  15   3,375    45   91,125    What kind of a _!_$%^& fool do you think I am?
  16   4,096    46   97,336
  17   4,913    47  103,823
  18   5,832    48  110,592    Press the SPACE BAR to make another choice
  19   6,859    49  117,649
  20   8,000    50  125,000    80  512,000

  21   9,261    51  132,651    81  531,441
  22  10,648    52  140,608    82  551,368
  23  12,167    53  148,877    83  571,787
  24  13,824    54  157,464    84  592,704
  25  15,625    55  166,375    85  614,125
  26  17,576    56  175,616    86  636,056
  27  19,683    57  185,193    87  658,503
  28  21,952    58  195,112    88  681,472
  29  24,389    59  205,379    89  704,969
  30  27,000    60  216,000    90  729,000)";
constexpr std::string_view kRefusalScreenColours = R"(

WWWWWWWWWWWWWWCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCC

YYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYY

WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW   WWWWWWWW
WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW   WWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW   WWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY   WWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW   WWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW    YYYYYYYYYYY
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY

  WWWWWWWWWW    WWWWWWWWWWW  WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW  WWWWWWWWWWWCWYWCWLWGWLWCWYWCWGGGWWWWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW  WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW  WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY  WWCCCCCCCCCCCCCCCYYYYYYYYCCCCCCCCCCCCCCCCCCCCCCC
  WWWWWWWWWW    WWWWWWWWWWW  WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW  WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW  WWCCCCCCCCCCYYYYYYYYYYCCCCCCCCCCCCCCCCCCCCCCWWWW
  WWWWWWWWWW    WWWWWWWWWWW  WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY

  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  WWWWWWWWWW    WWWWWWWWWWW    WWWWWWWWWWW
  YYYYYYYYYY    YYYYYYYYYYY    YYYYYYYYYYY)";

constexpr std::string_view kFarewellScreen = R"(



 Thank you for using Orvane-Table)";
constexpr std::string_view kFarewellScreenColours = R"(



 CCCCCCCCCCCCCCCCCCCCWWWWWWWWWWWW)";

constexpr std::string_view kResultsFile = R"(

  Orvane-Table :: Quillframe Terminal Toolkit v5.05 Demo

  Numbers Cubed (Raised to the power of 3, see examples)

  No.  Cubed    No.   Cubed    No.   Cubed    No.   Cubed
  -------------------------------------------------------
   1       1    31   29,791    61  226,981    91  753,571
   2       8    32   32,768    62  238,328    92  778,688
   3      27    33   35,937    63  250,047    93  804,357
   4      64    34   39,304    64  262,144    94  830,584
   5     125    35   42,875    65  274,625    95  857,375
   6     216    36   46,656    66  287,496    96  884,736
   7     343    37   50,653    67  300,763    97  912,673
   8     512    38   54,872    68  314,432    98  941,192
   9     729    39   59,319    69  328,509    99  970,299
  10   1,000    40   64,000    70  343,000

  11   1,331    41   68,921    71  357,911     EXAMPLES
  12   1,728    42   74,088    72  373,248
  13   2,197    43   79,507    73  389,017     64 is 4 cubed
  14   2,744    44   85,184    74  405,224
  15   3,375    45   91,125    75  421,875     4 x 4 x 4
  16   4,096    46   97,336    76  438,976
  17   4,913    47  103,823    77  456,533     729 is 9 cubed
  18   5,832    48  110,592    78  474,552
  19   6,859    49  117,649    79  493,039     9 x 9 x 9
  20   8,000    50  125,000    80  512,000

  21   9,261    51  132,651    81  531,441
  22  10,648    52  140,608    82  551,368
  23  12,167    53  148,877    83  571,787
  24  13,824    54  157,464    84  592,704
  25  15,625    55  166,375    85  614,125
  26  17,576    56  175,616    86  636,056
  27  19,683    57  185,193    87  658,503
  28  21,952    58  195,112    88  681,472
  29  24,389    59  205,379    89  704,969
  30  27,000    60  216,000    90  729,000)";

// The lines of a drawing: the line break after R"( opens it, so line n is row n.
std::vector<std::string_view> Lines(std::string_view drawing) {
  std::vector<std::string_view> lines;
  if (!drawing.empty() && drawing.front() == '\n') drawing.remove_prefix(1);
  while (true) {
    const size_t end = drawing.find('\n');
    lines.push_back(drawing.substr(0, end));
    if (end == std::string_view::npos) break;
    drawing.remove_prefix(end + 1);
  }
  return lines;
}

int ForegroundOf(char letter) {
  switch (letter) {
    case 'G':
      return 7;
    case 'L':
      return 10;
    case 'C':
      return 11;
    case 'Y':
      return 14;
    case 'W':
      return 15;
    default:
      throw std::invalid_argument(std::string("no colour is called '") + letter + "'");
  }
}

}  // namespace

Picture Picture::Drawn(std::string_view text, std::string_view colours) {
  const std::vector<std::string_view> rows = Lines(text);
  const std::vector<std::string_view> colour_rows = Lines(colours);
  if (rows.size() > kRows || colour_rows.size() != rows.size()) {
    throw std::invalid_argument("a drawing has as many colour rows as rows, 50 at most");
  }
  Picture p;
  for (size_t r = 0; r < rows.size(); ++r) {
    const std::string_view row = rows[r];
    const std::string_view colour = colour_rows[r];
    if (row.size() > kColumns || colour.size() > kColumns) {
      throw std::invalid_argument("row " + std::to_string(r + 1) + " is wider than the screen");
    }
    for (size_t c = 0; c < colour.size(); ++c) {
      const char ch = c < row.size() ? row[c] : ' ';
      if (colour[c] == ' ' && ch == ' ') continue;
      if (colour[c] == ' ') {
        throw std::invalid_argument("row " + std::to_string(r + 1) + " column " +
                                    std::to_string(c + 1) + " has no colour");
      }
      p.put(static_cast<int>(r + 1), static_cast<int>(c + 1), std::string(1, ch),
            ForegroundOf(colour[c]));
    }
    if (row.size() > colour.size() && row.find_first_not_of(' ', colour.size()) != row.npos) {
      throw std::invalid_argument("row " + std::to_string(r + 1) + " has text beyond its colours");
    }
  }
  return p;
}

Picture MainScreenPicture() {
  return Picture::Drawn(kMainScreen, kMainScreenColours);
}

Picture FarewellPicture() {
  return Picture::Drawn(kFarewellScreen, kFarewellScreenColours);
}

std::string ResultsFileBytes() {
  std::string bytes;
  for (std::string_view line : Lines(kResultsFile)) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

Picture EntryPicture() {
  return Picture::Drawn(kEntryScreen, kEntryScreenColours);
}

// The confirmation box over `p`: saved, or not saved with its error code.
void PutBox(Picture& p, const std::string& name, int error) {
  for (int row = 30; row <= 35; ++row) p.blank(row, 47, 31, 15);
  if (error == 0) {
    p.put(31, 48, "Results saved to file", 0, 15);
  } else {
    p.put(31, 48, "Results NOT saved to file", 0, 15);
    p.put(32, 48, "Error code " + std::to_string(error), 0, 15);
  }
  p.put(33, 48, name + ".TXT", 0, 15).put(34, 48, "in folder C:\\TEMP", 0, 15);
}

Picture FileMenuPicture(std::optional<std::string> saved, int error) {
  Picture p = Picture::Drawn(kFileMenuScreen, kFileMenuScreenColours);
  if (saved) PutBox(p, *saved, error);
  return p;
}

Picture RefusalPicture() {
  // The two cells drawn as "_" hold the bytes 173 and 155, an inverted exclamation mark and a
  // cent sign in code page 437.
  return Picture::Drawn(kRefusalScreen, kRefusalScreenColours)
      .put(23, 47, "\xAD", 14)
      .put(23, 49, "\x9B", 14);
}

}  // namespace app_test
