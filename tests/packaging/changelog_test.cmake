# Runs packaging/changelog.cmake on sample release lists: the Debian changelog it writes, and
# its refusal when the newest release is not the version being packaged.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

set(failures 0)
# expect(NAME VERSION RELEASES EXPECTED): EXPECTED is the changelog, or "error: TEXT" for a
# refusal whose message contains TEXT.
function(expect name version releases expected)
    file(WRITE "${WORK}/${name}.xml" "<?xml version=\"1.0\"?>
<component type=\"desktop-application\">
  <releases>
${releases}
  </releases>
</component>
")
    execute_process(
        COMMAND ${CMAKE_COMMAND} -DMETAINFO=${WORK}/${name}.xml -DPACKAGE=cuemaster
                -DVERSION=${version} "-DMAINTAINER=Orvelle Software <packages@orvelle.example>"
                -DOUTPUT=${WORK}/${name}.changelog -P ${SCRIPT}
        RESULT_VARIABLE result ERROR_VARIABLE error)
    string(REGEX REPLACE "[ \n]+" " " error "${error}")
    if(expected MATCHES "^error: (.*)")
        string(FIND "${error}" "${CMAKE_MATCH_1}" at)
        if(result EQUAL 0 OR at EQUAL -1)
            message(SEND_ERROR "${name}: expected a refusal naming \"${CMAKE_MATCH_1}\", got: ${error}")
        endif()
        return()
    endif()
    if(NOT result EQUAL 0)
        message(SEND_ERROR "${name}: refused: ${error}")
        return()
    endif()
    file(READ "${WORK}/${name}.changelog" got)
    if(NOT got STREQUAL expected)
        message(SEND_ERROR "${name}: expected\n${expected}\ngot\n${got}")
    endif()
endfunction()

set(sig " -- Orvelle Software <packages@orvelle.example>")

# Newest first; a release without notes; weekdays across a leap day and a year end; entities,
# a semicolon and a note longer than a line.
expect(several 2.0 [[
    <release version="2.0" date="2028-02-29">
      <description>
        <p>Cues &amp; timers; the remote &lt;beta&gt;.</p>
        <ul>
          <li>A note long enough that it has to be wrapped onto a second line of the changelog.</li>
          <li>Second.</li>
        </ul>
      </description>
    </release>
    <release version="1.0.1" date="2026-12-31"/>
    <release version="1.0" date="2026-12-06">
      <description><p>First release.</p></description>
    </release>]]
"cuemaster (2.0) unstable; urgency=medium

  * Cues & timers; the remote <beta>.
  * A note long enough that it has to be wrapped onto a second line of the
    changelog.
  * Second.

${sig}  Tue, 29 Feb 2028 12:00:00 +0000

cuemaster (1.0.1) unstable; urgency=medium

  * Release 1.0.1.

${sig}  Thu, 31 Dec 2026 12:00:00 +0000

cuemaster (1.0) unstable; urgency=medium

  * First release.

${sig}  Sun, 06 Dec 2026 12:00:00 +0000
")

expect(version_bumped 1.1 [[<release version="1.0" date="2026-12-06"/>]]
       "error: the newest release is \"1.0\", not 1.1")
expect(no_release 1.0 "" "error: the newest release is \"\", not 1.0")
expect(bad_date 1.0 [[<release version="1.0" date="6 December 2026"/>]]
       "error: release date \"6 December 2026\" is not YYYY-MM-DD")
